// When a read over a pseudo-terminal ends: after the interval of silence that follows its
// last byte, or at its total time-out, whichever comes first. Bounds are loose on the slow
// side (a busy machine delays a wake-up) and exact on the early side (nothing may end a
// chunk before its silence).
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "pty.h"
#include "serial/comm_constants.h"
#include "serial/device.h"

namespace serial {
namespace {

using namespace std::chrono_literals;
using testing::OpenForReading;
using testing::Pty;
using testing::Watchdog;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

struct ChunkEnd {
    const char* name;
    CommTimeouts timeouts;
    Ms quiet;              // of the line, between arming the read and the first byte
    std::vector<Ms> gaps;  // before each byte after the first
    // The chunk ends no sooner than this after the last byte was written, nor than the
    // total time-out after the read began...
    Ms afterLastByte;
    Ms afterReadBegan;
    // ...and, for all the slack a busy machine needs, before this after the last byte.
    Ms before;
    friend void PrintTo(const ChunkEnd& c, std::ostream* os) { *os << c.name; }
};

class PtyChunkEnd : public ::testing::TestWithParam<ChunkEnd> {
  protected:
    void SetUp() override {
        OpenForReading(pty, Dcb{}, GetParam().timeouts, device);
        close = Event::Create();
        ASSERT_TRUE(close);
    }
    void TearDown() override {
        if (device) device->EndReader();
    }

    Pty pty;
    std::unique_ptr<Device> device;
    std::unique_ptr<Event> close;
    std::vector<uint8_t> buffer = std::vector<uint8_t>(32768);
};

TEST_P(PtyChunkEnd, EndsOnlyAfterItsSilenceOrItsTotalTimeOut) {
    const ChunkEnd& c = GetParam();
    const auto began = Clock::now();
    ASSERT_EQ(device->ReadFile(buffer.data(), static_cast<uint32_t>(buffer.size())).status,
              IoStatus::Pending);
    Clock::time_point lastWritten;
    std::thread far([&] {
        for (size_t i = 0; i <= c.gaps.size(); ++i) {
            std::this_thread::sleep_for(i > 0 ? c.gaps[i - 1] : c.quiet);
            lastWritten = Clock::now();  // before the write: the byte cannot arrive earlier
            pty.Write(std::string(1, static_cast<char>('a' + i)).data(), 1);
        }
    });
    ReaderWake wake;
    {
        Watchdog dog(*close, 10s);
        wake = device->WaitReader(*close);
    }
    const auto ended = Clock::now();
    far.join();
    ASSERT_EQ(wake, ReaderWake::ReadDone);
    const IoResult r = device->ReadResult();
    ASSERT_EQ(r.status, IoStatus::Done);
    std::string expected;
    for (size_t i = 0; i <= c.gaps.size(); ++i) expected += static_cast<char>('a' + i);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + r.count), expected)
        << "every byte before the end belongs to the chunk";
    EXPECT_GE(ended - lastWritten, c.afterLastByte);
    EXPECT_GE(ended - began, c.afterReadBegan);
    EXPECT_LT(ended - lastWritten, c.before);
}

INSTANTIATE_TEST_SUITE_P(
    Read, PtyChunkEnd,
    ::testing::Values(
        // The silence is counted from the last byte, not from the first nor from the read.
        ChunkEnd{"SilenceAfterTheLastByte", {100, 0, 0, 0, 0}, 0ms, {10ms, 10ms}, 100ms, 120ms, 2s},
        // As the port object sets it: a burst ends one interval after its last byte.
        ChunkEnd{"OneMillisecondBurst", {1, 1, 5, 1, 10}, 0ms, {}, 1ms, 1ms, 2s},
        // A line that never falls silent for long enough still ends at the total time-out,
        // counted from the chunk's first byte.
        ChunkEnd{"TotalTimeOutFirst", {2000, 0, 150, 0, 0}, 0ms, {10ms, 10ms}, 0ms, 150ms, 1500ms},
        // A quiet line longer than the total time-out does not cut the burst that follows
        // (the console's read, 32.8 s of quiet, in short).
        ChunkEnd{"BurstAfterALongQuiet", {400, 0, 200, 0, 0}, 300ms, {20ms}, 100ms, 500ms, 2s}),
    [](const ::testing::TestParamInfo<ChunkEnd>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace serial

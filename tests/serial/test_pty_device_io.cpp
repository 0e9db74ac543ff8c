// Reads, line events and writes of the device layer over a pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <thread>
#include <vector>

#include "pty.h"
#include "serial/comm_constants.h"
#include "serial/device.h"

namespace serial {
namespace {

using namespace std::chrono_literals;
using testing::OpenForReading;
using testing::Pattern;
using testing::Pty;
using testing::Watchdog;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kReadSize = 32768;

class PtyIo : public ::testing::Test {
  protected:
    void SetUp() override {
        Dcb dcb;
        dcb.EvtChar = 0x03;
        // As the port object sets them: a chunk ends 1 ms after the line falls silent.
        OpenForReading(pty, dcb, {1, 1, 5, 1, 10}, device);
        close = Event::Create();
        ASSERT_TRUE(close);
    }
    void TearDown() override {
        if (device) device->EndReader();
    }

    // One read to its end; the count, or nothing when it did not complete in time.
    std::optional<std::vector<uint8_t>> ReadChunk(std::chrono::milliseconds limit = 5s) {
        IoResult r = device->ReadFile(buffer.data(), kReadSize);
        if (r.status == IoStatus::Pending) {
            Watchdog dog(*close, limit);
            const ReaderWake wake = device->WaitReader(*close);
            if (wake != ReaderWake::ReadDone) return std::nullopt;
            r = device->ReadResult();
        }
        if (r.status != IoStatus::Done) return std::nullopt;
        return std::vector<uint8_t>(buffer.begin(), buffer.begin() + r.count);
    }

    Pty pty;
    std::unique_ptr<Device> device;
    std::unique_ptr<Event> close;
    std::vector<uint8_t> buffer = std::vector<uint8_t>(kReadSize);
};

TEST_F(PtyIo, ABurstWithoutAGapIsOneChunk) {
    ASSERT_TRUE(pty.Write(std::vector<uint8_t>{0x01, 0x44, 0x00}));
    const auto chunk = ReadChunk();
    ASSERT_TRUE(chunk);
    EXPECT_EQ(*chunk, (std::vector<uint8_t>{0x01, 0x44, 0x00}));
}

TEST_F(PtyIo, APauseLongerThanTheIntervalSplitsTheReply) {
    std::thread far([&] {
        pty.Write("\x01", 1);
        std::this_thread::sleep_for(20ms);
        pty.Write("\x44\x00", 2);
    });
    const auto first = ReadChunk();
    const auto second = ReadChunk();
    far.join();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(*first, std::vector<uint8_t>{0x01});
    EXPECT_EQ(*second, (std::vector<uint8_t>{0x44, 0x00}));
}

TEST_F(PtyIo, AChunkEndsAboutOneIntervalAfterItsLastByte) {
    // Loose bound: the point is that a chunk does not wait for its total time-out
    // (32,773 ms) nor for a periodic tick.
    ASSERT_TRUE(pty.Write("abc", 3));
    const auto start = Clock::now();
    const auto chunk = ReadChunk();
    ASSERT_TRUE(chunk);
    EXPECT_LT(Clock::now() - start, 500ms);
}

TEST_F(PtyIo, AMebibyteBurstArrivesWholeAndInOrder) {
    const auto sent = Pattern(1 << 20);
    std::thread far([&] { pty.Write(sent); });
    std::vector<uint8_t> got;
    while (got.size() < sent.size()) {
        const auto chunk = ReadChunk(10s);
        if (!chunk) break;
        ASSERT_LE(chunk->size(), kReadSize);
        got.insert(got.end(), chunk->begin(), chunk->end());
    }
    far.join();
    ASSERT_EQ(got.size(), sent.size());
    EXPECT_TRUE(got == sent);
}

TEST_F(PtyIo, CloseEndsAPendingReadPromptly) {
    ASSERT_EQ(device->ReadFile(buffer.data(), kReadSize).status, IoStatus::Pending);
    std::thread closer([&] {
        std::this_thread::sleep_for(10ms);
        close->Set();
    });
    const auto start = Clock::now();
    EXPECT_EQ(device->WaitReader(*close), ReaderWake::Close);
    EXPECT_LT(Clock::now() - start, 1s);
    closer.join();
}

TEST_F(PtyIo, CloseWinsOverACompletedRead) {
    ASSERT_TRUE(pty.Write("abc", 3));
    ASSERT_EQ(device->ReadFile(buffer.data(), kReadSize).status, IoStatus::Pending);
    std::this_thread::sleep_for(10ms);
    close->Set();
    EXPECT_EQ(device->WaitReader(*close), ReaderWake::Close);
}

TEST_F(PtyIo, AbortEndsAPendingReadAsFailed) {
    ASSERT_EQ(device->ReadFile(buffer.data(), kReadSize).status, IoStatus::Pending);
    ASSERT_TRUE(device->PurgeComm(PURGE_RXABORT | PURGE_RXCLEAR));
    Watchdog dog(*close, 5s);
    ASSERT_EQ(device->WaitReader(*close), ReaderWake::ReadDone);
    EXPECT_EQ(device->ReadResult().status, IoStatus::Failed);
}

TEST_F(PtyIo, TheFarSideClosingFailsThePendingReadOnce) {
    ASSERT_EQ(device->ReadFile(buffer.data(), kReadSize).status, IoStatus::Pending);
    Clock::time_point closed;
    std::thread far([&] {
        std::this_thread::sleep_for(10ms);
        closed = Clock::now();
        pty.CloseMaster();
    });
    Watchdog dog(*close, 5s);
    const ReaderWake wake = device->WaitReader(*close);
    const auto noticed = Clock::now();
    far.join();
    ASSERT_NE(wake, ReaderWake::Close) << "the failure was not noticed";
    if (wake == ReaderWake::ReadDone) {
        EXPECT_EQ(device->ReadResult().status, IoStatus::Failed);
    }
    EXPECT_LT(noticed - closed, 100ms);
    // From then on every read fails at once instead of waiting (or spinning) again.
    const IoResult again = device->ReadFile(buffer.data(), kReadSize);
    EXPECT_EQ(again.status, IoStatus::Failed);
    EXPECT_EQ(again.error, EIO);
    const uint8_t byte = 0;
    EXPECT_EQ(device->WriteFile(&byte, 1).status, IoStatus::Failed);
}

TEST_F(PtyIo, BytesReadBeforeTheFarSideClosedAreDeliveredFirst) {
    ASSERT_TRUE(pty.Write("xy", 2));
    std::this_thread::sleep_for(10ms);
    pty.CloseMaster();
    const auto chunk = ReadChunk();
    // A hang-up may flush what was queued; what does arrive must be intact.
    if (chunk && !chunk->empty()) {
        EXPECT_EQ(*chunk, (std::vector<uint8_t>{'x', 'y'}));
    }
    EXPECT_EQ(device->ReadFile(buffer.data(), kReadSize).status, IoStatus::Failed);
}

TEST_F(PtyIo, TheEventCharacterRaisesRxFlagBeforeTheChunkCompletes) {
    uint32_t mask = 0;
    ASSERT_EQ(device->WaitCommEvent(mask).status, IoStatus::Pending);
    ASSERT_EQ(device->ReadFile(buffer.data(), kReadSize).status, IoStatus::Pending);
    ASSERT_TRUE(pty.Write("ab\x03", 3));
    Watchdog dog(*close, 5s);
    ASSERT_EQ(device->WaitReader(*close), ReaderWake::LineEvent);
    ASSERT_EQ(device->CommEventResult(mask).status, IoStatus::Done);
    EXPECT_EQ(mask, EV_RXFLAG);
    EXPECT_EQ(device->WaitCommEvent(mask).status, IoStatus::Pending);
    ASSERT_EQ(device->WaitReader(*close), ReaderWake::ReadDone);
    EXPECT_EQ(device->ReadResult().count, 3u);
    uint32_t errors = 1;
    EXPECT_TRUE(device->ClearCommError(errors));
    EXPECT_EQ(errors, 0u);
}

TEST_F(PtyIo, WithoutTheEventCharacterNoLineEventComes) {
    uint32_t mask = 0;
    ASSERT_EQ(device->WaitCommEvent(mask).status, IoStatus::Pending);
    ASSERT_TRUE(pty.Write("abc", 3));
    const auto chunk = ReadChunk();
    ASSERT_TRUE(chunk);
    EXPECT_EQ(chunk->size(), 3u);
}

TEST_F(PtyIo, AnIdleReaderDoesNotWakeUp) {
    uint32_t mask = 0;
    ASSERT_EQ(device->WaitCommEvent(mask).status, IoStatus::Pending);
    ASSERT_EQ(device->ReadFile(buffer.data(), kReadSize).status, IoStatus::Pending);
    rusage before{}, after{};
    getrusage(RUSAGE_THREAD, &before);
    {
        Watchdog dog(*close, 300ms);
        EXPECT_EQ(device->WaitReader(*close), ReaderWake::Close);
    }
    getrusage(RUSAGE_THREAD, &after);
    // One sleep and the wake by close, plus a few for starting and joining the watchdog;
    // even a 20 ms tick would add 15.
    EXPECT_LE(after.ru_nvcsw - before.ru_nvcsw, 8);
}

class PtyWrite : public PtyIo {
  protected:
    void SetUp() override {
        PtyIo::SetUp();
        ASSERT_TRUE(device->BeginWriter());
    }
    void TearDown() override {
        if (device) device->EndWriter();
        PtyIo::TearDown();
    }
    // Writes until the terminal has no room left (the far end does not read). The kernel
    // moves queued output on in the background, so room may come back once: full means
    // still full after a pause.
    void Fill() {
        int fullInARow = 0;
        for (int i = 0; i < 10000 && fullInARow < 2; ++i) {
            const IoResult r = device->WriteFile(block.data(), 4096);
            ASSERT_NE(r.status, IoStatus::Failed);
            if (r.status != IoStatus::Pending) {
                fullInARow = 0;
                continue;
            }
            ++fullInARow;
            std::this_thread::sleep_for(20ms);
        }
        ASSERT_EQ(fullInARow, 2) << "the terminal never filled";
    }
    // A pending write keeps using its bytes until it is collected.
    const std::vector<uint8_t> block = Pattern(4096);
};

TEST_F(PtyWrite, BytesWrittenReachTheFarSide) {
    const IoResult r = device->WriteFile(reinterpret_cast<const uint8_t*>("\x01\x44\x00"), 3);
    ASSERT_EQ(r.status, IoStatus::Done);
    EXPECT_EQ(r.count, 3u);
    EXPECT_EQ(pty.Read(3, 2s), (std::vector<uint8_t>{0x01, 0x44, 0x00}));
}

TEST_F(PtyWrite, APendingWriteCompletesOnceTheFarSideReads) {
    Fill();
    std::thread far([&] { pty.Read(1 << 20, 200ms); });
    Watchdog dog(*close, 5s);
    ASSERT_EQ(device->WaitWrite(*close), WriterWake::WriteDone);
    const IoResult r = device->WriteResult();
    EXPECT_EQ(r.status, IoStatus::Done);
    EXPECT_GT(r.count, 0u);
    far.join();
}

TEST_F(PtyWrite, CloseEndsAPendingWrite) {
    Fill();
    std::thread closer([&] {
        std::this_thread::sleep_for(10ms);
        close->Set();
    });
    EXPECT_EQ(device->WaitWrite(*close), WriterWake::Close);
    closer.join();
}

TEST_F(PtyWrite, AbortEndsAPendingWriteAsFailed) {
    Fill();
    ASSERT_TRUE(device->PurgeComm(PURGE_TXABORT | PURGE_TXCLEAR));
    Watchdog dog(*close, 5s);
    ASSERT_EQ(device->WaitWrite(*close), WriterWake::WriteDone);
    EXPECT_EQ(device->WriteResult().status, IoStatus::Failed);
}

TEST_F(PtyWrite, TheFarSideClosingFailsAPendingWrite) {
    Fill();
    std::thread far([&] {
        std::this_thread::sleep_for(10ms);
        pty.CloseMaster();
    });
    Watchdog dog(*close, 5s);
    ASSERT_EQ(device->WaitWrite(*close), WriterWake::WriteDone);
    const IoResult r = device->WriteResult();
    EXPECT_EQ(r.status, IoStatus::Failed);
    EXPECT_EQ(r.error, EIO);
    far.join();
}

}  // namespace
}  // namespace serial

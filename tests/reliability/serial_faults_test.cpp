// The device vanishes (the far end of the pseudo-terminal closes) in the middle of a burst
// and in the middle of a blocked write: the object reports the failure, stays usable, closes
// at once, and opens and talks on a new line.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "pty.h"
#include "pump.h"
#include "serial/comm32.h"

namespace {

using namespace std::chrono_literals;
using serial::TComm32;
using serial::test::PumpFor;
using serial::test::PumpUntil;
using serial::testing::Pty;
using Clock = std::chrono::steady_clock;

struct Port {
    TComm32 comm;
    int failures = 0;
    size_t received = 0;
    std::vector<uint8_t> bytes;

    Port() {
        comm.OnCommFailure = [this](TComm32&) { ++failures; };
        comm.OnReceiveData = [this](const uint8_t* data, uint16_t n) {
            received += n;
            if (bytes.size() < 4096) bytes.insert(bytes.end(), data, data + n);
        };
    }
    void Open(const Pty& pty) {
        comm.PortName = pty.Path();
        ASSERT_TRUE(comm.OpenPort());
        ASSERT_TRUE(PumpUntil(comm, [&] { return comm.ReaderReady() && comm.WriterReady(); }));
    }
};

// ClosePort's time, in milliseconds.
double TimedClose(TComm32& comm) {
    const auto start = Clock::now();
    comm.ClosePort();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// After a vanish and ClosePort, the same object opens a new line and talks both ways.
void ExpectTalksOnNewLine(Port& port) {
    Pty fresh;
    port.Open(fresh);
    port.bytes.clear();
    const std::vector<uint8_t> reply{0xFF, 0x01, 'D', 0x05, 0x03};
    ASSERT_TRUE(fresh.Write(reply));
    ASSERT_TRUE(PumpUntil(port.comm, [&] { return port.bytes.size() >= reply.size(); }));
    EXPECT_EQ(port.bytes, reply);
    const uint8_t command[3] = {0x01, 'D', 0x00};
    ASSERT_TRUE(port.comm.QueueWrite(command, 3));
    EXPECT_EQ(fresh.Read(3, 5s), std::vector<uint8_t>(command, command + 3));
    port.comm.ClosePort();
}

TEST(DeviceVanishes, InTheMiddleOfABurst) {
    Port port;
    auto pty = std::make_unique<Pty>();
    port.Open(*pty);
    // The far end sends without pause and hangs up half-way through.
    std::atomic<bool> hungUp{false};
    std::thread far([&] {
        const auto block = serial::testing::Pattern(64 * 1024);
        for (int i = 0; i < 8; ++i)
            if (!pty->Write(block)) break;
        pty->CloseMaster();
        hungUp = true;
    });
    ASSERT_TRUE(PumpUntil(
        port.comm, [&] { return hungUp && port.failures > 0; }, 10s));
    far.join();
    PumpFor(port.comm, 200ms);
    EXPECT_EQ(port.failures, 1) << "the reader reports the vanish once; the idle writer not at all";
    EXPECT_GT(port.received, 0u);
    EXPECT_TRUE(port.comm.PortOpen()) << "a worker's failure leaves the object open";
    EXPECT_LT(TimedClose(port.comm), 1000.0);
    EXPECT_FALSE(port.comm.PortOpen());
    ExpectTalksOnNewLine(port);
}

TEST(DeviceVanishes, WhileAWriteIsBlocked) {
    Port port;
    Pty pty;
    port.Open(pty);
    // Far more than the terminal holds, and nobody reads it: the writer blocks.
    const auto block = serial::testing::Pattern(60000);
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(port.comm.QueueWrite(block.data(), 60000));
    PumpFor(port.comm, 100ms);
    EXPECT_EQ(port.failures, 0);
    pty.CloseMaster();
    ASSERT_TRUE(PumpUntil(
        port.comm, [&] { return port.failures > 0; }, 10s));
    PumpFor(port.comm, 200ms);
    // Both workers were using the device, and each reports its own failure once.
    EXPECT_GE(port.failures, 1);
    EXPECT_LE(port.failures, 2);
    EXPECT_FALSE(port.comm.QueueWrite(block.data(), 1)) << "a failed writer takes no request";
    EXPECT_LT(TimedClose(port.comm), 1000.0);
    ExpectTalksOnNewLine(port);
}

TEST(DeviceVanishes, ClosePortWithTheWriterStillBlocked) {
    // The far end stays but never reads: ClosePort must not wait for the write to finish.
    Port port;
    Pty pty;
    port.Open(pty);
    const auto block = serial::testing::Pattern(60000);
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(port.comm.QueueWrite(block.data(), 60000));
    PumpFor(port.comm, 50ms);
    EXPECT_LT(TimedClose(port.comm), 1000.0);
    EXPECT_EQ(port.failures, 0) << "a close request is not a failure";
    ExpectTalksOnNewLine(port);
}

}  // namespace

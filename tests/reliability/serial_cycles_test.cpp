// A thousand openings and closings of one serial port object leave no descriptor, thread or
// memory behind.

#include <gtest/gtest.h>

#include <chrono>

#include "process_stats.h"
#include "pty.h"
#include "pump.h"
#include "serial/comm32.h"

namespace {

using namespace std::chrono_literals;
using serial::test::PumpUntil;

TEST(OpenCloseCycles, LeaveNothingBehind) {
    serial::testing::Pty pty;
    serial::TComm32 comm;
    comm.PortName = pty.Path();
    size_t received = 0;
    comm.OnReceiveData = [&](const uint8_t*, uint16_t n) { received += n; };

    const auto cycle = [&](int i) {
        ASSERT_TRUE(comm.OpenPort()) << "cycle " << i;
        // Every tenth cycle carries a byte each way, so the transfer paths are part of it.
        if (i % 10 == 0) {
            ASSERT_TRUE(PumpUntil(comm, [&] { return comm.WriterReady(); }));
            const uint8_t byte = static_cast<uint8_t>(i);
            ASSERT_TRUE(comm.QueueWrite(&byte, 1));
            ASSERT_EQ(pty.Read(1, 5s).size(), 1u);
            const size_t before = received;
            ASSERT_TRUE(pty.Write(&byte, 1));
            ASSERT_TRUE(PumpUntil(comm, [&] { return received > before; }));
        }
        comm.ClosePort();
        comm.ProcessNotifications();
    };

    reliability::ExpectNothingLeftBehind(100, 1000, 1024, cycle);
}

}  // namespace

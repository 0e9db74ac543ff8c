#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "serial/read_thread.h"
#include "worker_fixture.h"

namespace serial::test {
namespace {

class ReaderBackPressureTest : public WorkerFixture<TReadThread> {};

// A flood against an owner that takes its notifications late: the queued bytes stay near the
// bound, nothing is lost or reordered, and a close request still ends a reader held back.
TEST_F(ReaderBackPressureTest, FloodKeepsQueuedBytesBoundedAndLosesNothing) {
    constexpr uint64_t kTotal = 16ull << 20;
    const size_t limit = queue->Bound() + TReadThread::kReadSize + 2 * sizeof(Message);
    port->StreamReads(kTotal, TReadThread::kReadSize);
    worker.Start();

    uint64_t received = 0;
    size_t peak = 0;
    bool intact = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (received < kTotal && std::chrono::steady_clock::now() < deadline) {
        // The owner is late: let the reader run into the bound before draining.
        Event* room[] = {&queue->Room()};
        if (WaitAny(room, std::chrono::milliseconds(0)) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        peak = std::max(peak, queue->QueuedBytes());
        auto n = NextNotification(*queue, std::chrono::seconds(5));
        if (!n) break;
        if (n->code != NOTIFY_RECEIVED_DATA) continue;
        for (uint32_t i = 0; i < n->wParam; ++i)
            intact = intact && n->payload[i] == FakePort::StreamByte(received + i);
        received += n->wParam;
    }
    EXPECT_EQ(received, kTotal);
    EXPECT_TRUE(intact);
    EXPECT_LE(peak, limit);
    EXPECT_GT(peak, queue->Bound() / 2) << "the owner never fell behind: nothing was tested";
}

TEST_F(ReaderBackPressureTest, CloseEndsAReaderWaitingForRoom) {
    port->StreamReads(64ull << 20, TReadThread::kReadSize);
    worker.Start();
    Event* full[] = {&queue->Room()};
    // The room event goes off once the bound is passed; wait for the reader to stall there.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (queue->QueuedBytes() <= queue->Bound() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GT(queue->QueuedBytes(), queue->Bound());
    EXPECT_EQ(WaitAny(full, std::chrono::milliseconds(0)), WaitTimedOut);
    Stop(PURGE_RXABORT | PURGE_RXCLEAR);
    EXPECT_LE(queue->QueuedBytes(), queue->Bound() + TReadThread::kReadSize + 2 * sizeof(Message));
}

}  // namespace
}  // namespace serial::test

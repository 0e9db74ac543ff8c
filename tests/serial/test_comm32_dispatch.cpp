#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "comm32_fixture.h"
#include "serial/comm_constants.h"

namespace serial::test {
namespace {

using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

// Records every handler call by name, in order.
class Comm32DispatchTest : public Comm32Test {
  protected:
    void SetUp() override {
        const auto bind = [this](TComm32::NotifyHandler& h, const char* name) {
            h = [this, name](TComm32& sender) {
                EXPECT_EQ(&sender, &comm);
                calls.push_back(name);
            };
        };
        bind(comm.OnLineEvent, "LineEvent");
        bind(comm.OnRxFlag, "RxFlag");
        bind(comm.OnBreak, "Break");
        bind(comm.OnTxEmpty, "TxEmpty");
        bind(comm.OnRx80Full, "Rx80Full");
        bind(comm.OnPrinterError, "PrinterError");
        bind(comm.OnCtsChange, "CtsChange");
        bind(comm.OnCtsOn, "CtsOn");
        bind(comm.OnCtsOff, "CtsOff");
        bind(comm.OnDsrChange, "DsrChange");
        bind(comm.OnDsrOn, "DsrOn");
        bind(comm.OnDsrOff, "DsrOff");
        bind(comm.OnRing, "Ring");
        bind(comm.OnRingOn, "RingOn");
        bind(comm.OnRingOff, "RingOff");
        bind(comm.OnRlsdChange, "RlsdChange");
        bind(comm.OnRlsdOn, "RlsdOn");
        bind(comm.OnRlsdOff, "RlsdOff");
        comm.OnLineError = [this](uint32_t errors) {
            calls.push_back("LineError " + std::to_string(errors));
        };
    }
    // One line event through the reader, dispatched on this thread.
    void Fire(uint32_t mask, uint32_t status, uint32_t errors = 0) {
        port->SetModemStatus(status);
        port->PushLineEvent(mask, errors);
        const size_t before = calls.size();
        ASSERT_TRUE(PumpUntil(comm, [&] { return calls.size() > before; }));
    }
    Names calls;
};

struct Dispatch {
    std::string name;
    uint32_t mask, status;
    Names expected;
    friend void PrintTo(const Dispatch& c, std::ostream* os) { *os << c.name; }
};

class Comm32DispatchOrderTest : public Comm32DispatchTest,
                                public ::testing::WithParamInterface<Dispatch> {};

TEST_P(Comm32DispatchOrderTest, CallsTheHandlersInOrder) {
    OpenReady();
    Fire(GetParam().mask, GetParam().status, CE_FRAME);
    EXPECT_EQ(calls, GetParam().expected);
    EXPECT_EQ(comm.LastEventMask(), GetParam().mask);
    EXPECT_EQ(comm.LastModemStatus(), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Comm32, Comm32DispatchOrderTest,
    ::testing::Values(Dispatch{"CtsOnDsrOff",
                               EV_CTS | EV_DSR,
                               MS_CTS_ON,
                               {"LineEvent", "CtsChange", "CtsOn", "DsrChange", "DsrOff"}},
                      Dispatch{"Everything",
                               WatchedEvents,
                               MS_CTS_ON | MS_RING_ON,
                               {"LineEvent", "LineError 8", "RxFlag", "Break", "TxEmpty",
                                "Rx80Full", "PrinterError", "CtsChange", "CtsOn", "DsrChange",
                                "DsrOff", "Ring", "RingOn", "RlsdChange", "RlsdOff"}},
                      Dispatch{"RingAndCarrierOn",
                               EV_RING | EV_RLSD,
                               MS_RING_ON | MS_RLSD_ON,
                               {"LineEvent", "Ring", "RingOn", "RlsdChange", "RlsdOn"}},
                      Dispatch{"ErrorAlone", EV_ERR, 0, {"LineEvent", "LineError 8"}},
                      Dispatch{"StatusWithoutItsEvent", EV_BREAK, 0xF0, {"LineEvent", "Break"}}),
    [](const auto& info) { return info.param.name; });

TEST_F(Comm32DispatchTest, LinesOnAtOpeningComeBeforeReady) {
    port->SetModemStatus(MS_CTS_ON | MS_DSR_ON);
    comm.OnLineEvent = [this](TComm32&) {
        EXPECT_FALSE(comm.ReaderReady());
        calls.push_back("LineEvent");
    };
    OpenReady();
    EXPECT_EQ(calls, (Names{"LineEvent", "CtsChange", "CtsOn", "DsrChange", "DsrOn"}));
}

TEST_F(Comm32DispatchTest, NoLineEventAtOpeningWhenAllLinesAreOff) {
    port->SetModemStatus(0);
    OpenReady();
    PumpFor(comm, std::chrono::milliseconds(20));
    EXPECT_TRUE(calls.empty());
}

TEST_F(Comm32DispatchTest, OnOffFollowTheStatusWithoutAChangeHandler) {
    comm.OnCtsChange = nullptr;
    comm.OnDsrChange = nullptr;
    OpenReady();
    Fire(EV_CTS | EV_DSR, MS_DSR_ON);
    EXPECT_EQ(calls, (Names{"LineEvent", "CtsOff", "DsrOn"}));
}

TEST(Comm32Handlers, UnassignedHandlersAreSkipped) {
    auto port = FakePort::Create();
    TComm32 bare(port->Opener());
    ASSERT_TRUE(bare.OpenPort());
    port->PushLineEvent(WatchedEvents, CE_BREAK);
    port->PushRead({1});
    port->Fail(Call::ReadResult);
    ASSERT_TRUE(PumpUntil(bare, [&] { return bare.LastEventMask() == WatchedEvents; }));
    PumpFor(bare, std::chrono::milliseconds(20));
    EXPECT_TRUE(bare.ReaderReady());
}

// Reset and Set speed close and reopen in one handler, with nothing dispatched between: a
// chunk, a line event and a failure the old line posted must not reach the new line's
// handlers, while the new line's own notifications come through.
TEST_F(Comm32DispatchTest, WhatAClosedOpeningPostedIsNeverDispatched) {
    Bytes received;
    int failures = 0;
    comm.OnReceiveData = [&](const uint8_t* data, uint16_t length) {
        received.insert(received.end(), data, data + length);
    };
    comm.OnCommFailure = [&](TComm32&) { ++failures; };
    OpenReady();
    const int reads = port->Calls(Call::ReadFile);
    const int waits = port->Calls(Call::WaitCommEvent);
    port->PushRead({0xAA});
    port->PushLineEvent(EV_ERR, CE_OVERRUN);
    port->Fail(Call::WriteFile);
    const uint8_t byte = 1;
    ASSERT_TRUE(comm.QueueWrite(&byte, 1));
    // Each worker goes on to its next call only after it has posted.
    ASSERT_TRUE(port->WaitCalls(Call::ReadFile, reads + 1));
    ASSERT_TRUE(port->WaitCalls(Call::WaitCommEvent, waits + 1));
    ASSERT_TRUE(port->WaitCalls(Call::EndWriter, 1));

    comm.ClosePort();
    ASSERT_TRUE(comm.OpenPort());
    port->PushRead({0xBB});
    ASSERT_TRUE(PumpUntil(comm, [&] { return !received.empty(); }));
    PumpFor(comm, std::chrono::milliseconds(20));
    EXPECT_EQ(received, Bytes{0xBB});
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(calls, Names{});
}

// Chunks taken late, many at once, still arrive whole and in order, each followed by a zero
// byte; a handler that runs a nested loop does not reorder them.
TEST_F(Comm32DispatchTest, ChunksArriveWholeAndInOrderWhenTakenLate) {
    Bytes sent, received;
    int nested = 0;
    comm.OnReceiveData = [&](const uint8_t* data, uint16_t length) {
        EXPECT_LE(length, 32768);
        EXPECT_EQ(data[length], 0);
        received.insert(received.end(), data, data + length);
        if (nested++ == 3) comm.ProcessNotifications();  // as a modal dialog's loop would
    };
    OpenReady();
    for (int i = 0; i < 200; ++i) {
        Bytes chunk(static_cast<size_t>(i * 977 % 40000 + 1));
        for (size_t k = 0; k < chunk.size(); ++k) chunk[k] = static_cast<uint8_t>(i + k);
        sent.insert(sent.end(), chunk.begin(), chunk.end());
        port->PushRead(std::move(chunk));
    }
    // Taken late: enough chunks are queued by now to hold the reader back for room.
    ASSERT_TRUE(port->WaitCalls(Call::ReadResult, 60));
    ASSERT_TRUE(PumpUntil(comm, [&] { return received.size() >= sent.size(); }));
    EXPECT_TRUE(received == sent);
}

TEST_F(Comm32DispatchTest, QueuedNotificationsOfADestroyedObjectAreDropped) {
    auto owner = std::make_unique<TestableComm32>(port->Opener());
    int chunks = 0;
    owner->OnReceiveData = [&](const uint8_t*, uint16_t) { ++chunks; };
    ASSERT_TRUE(owner->OpenPort());
    for (int i = 0; i < 5; ++i) port->PushRead(Bytes(100, 1));
    ASSERT_TRUE(port->WaitCalls(Call::ReadResult, 5));
    owner.reset();  // closes the port, then drops what was posted
    EXPECT_EQ(chunks, 0);
    EXPECT_EQ(port->LiveDevices(), 0);
}

TEST(MessageQueue, RefusesPostsOnceClosedAndTracksRoom) {
    MessageQueue queue(1000);
    Message big;
    big.payload.resize(1200);
    EXPECT_TRUE(queue.Room().IsSet());
    EXPECT_TRUE(queue.Post(big));
    EXPECT_TRUE(queue.Ready().IsSet());
    EXPECT_FALSE(queue.Room().IsSet());
    ASSERT_TRUE(queue.Pop());
    EXPECT_TRUE(queue.Room().IsSet());
    EXPECT_FALSE(queue.Ready().IsSet());
    queue.Post(big);
    queue.Close();
    EXPECT_FALSE(queue.Post(Message{}));
    EXPECT_FALSE(queue.Pop());
    EXPECT_TRUE(queue.Room().IsSet()) << "a producer waiting for room must not hang";
}

}  // namespace
}  // namespace serial::test

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "serial/read_thread.h"
#include "worker_fixture.h"

namespace serial::test {
namespace {

using Bytes = std::vector<uint8_t>;

class ReaderTest : public WorkerFixture<TReadThread> {
  protected:
    Message Next() {
        auto n = NextNotification(*queue);
        EXPECT_TRUE(n) << "no notification in time";
        return n ? std::move(*n) : Message{};
    }
    void StartReady() {
        worker.Start();
        EXPECT_EQ(Next().code, NOTIFY_THREAD_READY);
    }
    void ExpectChunk(const Bytes& bytes) {
        const Message n = Next();
        ASSERT_EQ(n.code, NOTIFY_RECEIVED_DATA);
        ASSERT_EQ(n.wParam, bytes.size());
        ASSERT_EQ(n.payload.size(), bytes.size() + 1);
        EXPECT_EQ(Bytes(n.payload.begin(), n.payload.end() - 1), bytes);
        EXPECT_EQ(n.payload.back(), 0) << "a zero byte follows each chunk";
    }
};

struct LinesAtStart {
    uint32_t status;
    uint32_t events;  // 0: no line-event notification before the ready one
    friend void PrintTo(const LinesAtStart& c, std::ostream* os) { *os << "status " << c.status; }
};

class ReaderLinesTest : public ReaderTest, public ::testing::WithParamInterface<LinesAtStart> {};

TEST_P(ReaderLinesTest, LinesOnAtStartComeAsOneEventBeforeReady) {
    port->SetModemStatus(GetParam().status);
    worker.Start();
    Message n = Next();
    if (GetParam().events) {
        EXPECT_EQ(n.code, NOTIFY_LINE_EVENT);
        EXPECT_EQ(n.lParam, GetParam().events | GetParam().status << 16);
        n = Next();
    }
    EXPECT_EQ(n.code, NOTIFY_THREAD_READY);
    EXPECT_EQ(n.wParam, 0u);
    EXPECT_EQ(port->Masks(), (std::vector<uint32_t>{WatchedEvents}));
}

INSTANTIATE_TEST_SUITE_P(Reader, ReaderLinesTest,
                         ::testing::Values(LinesAtStart{0, 0},
                                           LinesAtStart{MS_CTS_ON | MS_DSR_ON, EV_CTS | EV_DSR},
                                           LinesAtStart{0xF0, EV_CTS | EV_DSR | EV_RING | EV_RLSD},
                                           LinesAtStart{MS_RLSD_ON, EV_RLSD}));

TEST_F(ReaderTest, ChunksAreHandedOffWholeInOrderEachInItsOwnBuffer) {
    StartReady();
    port->PushRead({1, 2, 3});
    port->PushRead({4, 5}, /*atOnce=*/true);  // taken by the re-arm without waiting
    ExpectChunk({1, 2, 3});
    ExpectChunk({4, 5});
    Bytes big(TReadThread::kReadSize + 100);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
    port->PushRead(big);
    ExpectChunk(Bytes(big.begin(), big.begin() + TReadThread::kReadSize));
    ExpectChunk(Bytes(big.begin() + TReadThread::kReadSize, big.end()));
}

TEST_F(ReaderTest, EmptyCompletionsReArmTheRead) {
    StartReady();
    port->PushRead({});
    port->PushRead({}, /*atOnce=*/true);
    port->PushRead({7});
    ExpectChunk({7});
    EXPECT_EQ(queue->Size(), 0u);
    EXPECT_GE(port->Calls(Call::ReadFile), 3);
}

TEST_F(ReaderTest, LineErrorCarriesItsFlags) {
    port->SetModemStatus(0);
    StartReady();
    port->SetModemStatus(MS_CTS_ON);
    port->PushLineEvent(EV_ERR, CE_FRAME | CE_OVERRUN);
    port->PushLineEvent(EV_ERR | EV_BREAK, CE_BREAK, /*atOnce=*/true);
    Message n = Next();
    EXPECT_EQ(n.code, NOTIFY_LINE_EVENT);
    EXPECT_EQ(n.lParam, EV_ERR | MS_CTS_ON << 16);
    EXPECT_EQ(n.errors, CE_FRAME | CE_OVERRUN);
    n = Next();
    EXPECT_EQ(n.lParam, EV_ERR | EV_BREAK | MS_CTS_ON << 16);
    EXPECT_EQ(n.errors, CE_BREAK);
    EXPECT_EQ(port->Calls(Call::ClearCommError), 2);
}

TEST_F(ReaderTest, CloseWinsOverAReadCompletedAtTheSameTime) {
    StartReady();
    ASSERT_TRUE(port->WaitCalls(Call::WaitReader, 1));
    port->SetHook([this](Call c) {
        if (c != Call::WaitReader) return;
        port->PushRead({1, 2});
        close->Set();
    });
    port->PushLineEvent(EV_BREAK);  // wakes the reader, which then waits again
    EXPECT_EQ(Next().code, NOTIFY_LINE_EVENT);
    WaitEnded();
    EXPECT_TRUE(Drain().empty());
}

TEST_F(ReaderTest, CloseWinsOverAReadThatCompletesAtOnce) {
    port->SetHook([this](Call c) {
        if (c != Call::ReadFile) return;
        close->Set();
        port->PushRead({1, 2}, /*atOnce=*/true);
    });
    worker.Start();
    WaitEnded();
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(port->Calls(Call::EndReader), 1);
}

TEST_F(ReaderTest, AClosedOwnerQueueEndsTheReader) {
    StartReady();
    queue->Close();
    port->PushRead({1});
    WaitEnded();
    EXPECT_FALSE(queue->Post(Message{}));
}

struct ReaderFailure {
    std::string name;
    std::function<void(FakePort&)> arrange;
    bool ready;  // whether the reader gets as far as its ready notification
    friend void PrintTo(const ReaderFailure& c, std::ostream* os) { *os << c.name; }
};

class ReaderFailureTest : public ReaderTest, public ::testing::WithParamInterface<ReaderFailure> {};

TEST_P(ReaderFailureTest, PostsExactlyOneFailureThenNothing) {
    GetParam().arrange(*port);
    worker.Start();
    WaitEnded();
    // More traffic after the end must not bring anything.
    port->PushRead({1});
    port->PushLineEvent(EV_CTS);
    std::vector<uint32_t> expected{NOTIFY_COMM_FAILURE};
    if (GetParam().ready) expected.insert(expected.begin(), NOTIFY_THREAD_READY);
    EXPECT_EQ(Codes(Drain()), expected);
    EXPECT_EQ(port->Purges(), (std::vector<uint32_t>{0x0A}));
}

// Line events and reads pushed before the start stay pending until the main wait.
INSTANTIATE_TEST_SUITE_P(
    Reader, ReaderFailureTest,
    ::testing::Values(
        ReaderFailure{"BeginReader", [](FakePort& p) { p.Fail(Call::BeginReader); }, false},
        ReaderFailure{"SetCommMask", [](FakePort& p) { p.Fail(Call::SetCommMask); }, false},
        ReaderFailure{"WaitCommEvent", [](FakePort& p) { p.Fail(Call::WaitCommEvent); }, false},
        ReaderFailure{"WaitCommEventInvalidHandle",
                      [](FakePort& p) { p.Fail(Call::WaitCommEvent, IoStatus::InvalidHandle); },
                      false},
        ReaderFailure{"ReadFile", [](FakePort& p) { p.Fail(Call::ReadFile); }, false},
        ReaderFailure{"WaitReader", [](FakePort& p) { p.Fail(Call::WaitReader); }, true},
        ReaderFailure{"CommEventResult",
                      [](FakePort& p) {
                          p.Fail(Call::CommEventResult);
                          p.PushLineEvent(EV_CTS);
                      },
                      true},
        ReaderFailure{"ClearCommError",
                      [](FakePort& p) {
                          p.Fail(Call::ClearCommError);
                          p.PushLineEvent(EV_ERR, CE_FRAME);
                      },
                      true},
        ReaderFailure{"ClearCommErrorAtOnce",
                      [](FakePort& p) {
                          p.Fail(Call::ClearCommError);
                          p.PushLineEvent(EV_ERR, CE_FRAME, /*atOnce=*/true);
                      },
                      false},
        ReaderFailure{"ReadResult",
                      [](FakePort& p) {
                          p.Fail(Call::ReadResult);
                          p.PushRead({1});
                      },
                      true},
        ReaderFailure{"UnwatchedEvent", [](FakePort& p) { p.PushLineEvent(EV_RXCHAR); }, true}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace serial::test

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <thread>

#include "serial/write_thread.h"
#include "worker_fixture.h"

namespace serial::test {
namespace {

using Bytes = std::vector<uint8_t>;

class WriterTest : public WorkerFixture<TWriteThread> {
  protected:
    bool Post(const Bytes& bytes, uint32_t code = REQUEST_WRITE) {
        return worker.Queue().Post(WriteRequest(bytes.data(), bytes.size(), code));
    }
    void StartReady() {
        worker.Start();
        auto n = NextNotification(*queue);
        ASSERT_TRUE(n);
        EXPECT_EQ(n->code, NOTIFY_THREAD_READY);
        EXPECT_EQ(n->wParam, 1u);
    }
};

TEST_F(WriterTest, RequestsGoOutInOrderEachWholeBeforeTheNext) {
    port->ScriptWrite({WriteStep::Held});
    StartReady();
    ASSERT_TRUE(Post({1, 2, 3}));
    ASSERT_TRUE(Post({4, 5}));
    ASSERT_TRUE(port->WaitCalls(Call::WaitWrite, 1));
    EXPECT_EQ(port->Offered().size(), 1u) << "second request started before the first ended";
    port->ReleaseWrite();
    ASSERT_TRUE(port->WaitWritten(5));
    EXPECT_EQ(port->Written(), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(port->Offered(), (std::vector<Bytes>{{1, 2, 3}, {4, 5}}));
}

TEST_F(WriterTest, RequestsPostedBeforeTheStartAreKept) {
    ASSERT_TRUE(Post({7}));
    StartReady();
    EXPECT_TRUE(port->WaitWritten(1));
}

TEST_F(WriterTest, EmptyRequestWritesNothingAndUnknownCodesAreIgnored) {
    StartReady();
    ASSERT_TRUE(Post({}));
    ASSERT_TRUE(Post({9, 9}, 4242));
    ASSERT_TRUE(Post({1, 2, 3}));
    ASSERT_TRUE(port->WaitWritten(3));
    EXPECT_EQ(port->Offered(), (std::vector<Bytes>{{1, 2, 3}}));
    EXPECT_TRUE(queue->Size() == 0);
}

TEST_F(WriterTest, ShortWritesContinueFromTheFirstUnsentByte) {
    // At once short, then pending short, then the rest.
    port->ScriptWrite({WriteStep::Short, 1});
    port->ScriptWrite({WriteStep::Short, 2});
    port->ScriptWrite({WriteStep::Pending});
    StartReady();
    ASSERT_TRUE(Post({1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(port->WaitWritten(6));
    EXPECT_EQ(port->Written(), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(port->Offered(),
              (std::vector<Bytes>{{1, 2, 3, 4, 5, 6}, {2, 3, 4, 5, 6}, {4, 5, 6}}));
}

TEST_F(WriterTest, ZeroByteCompletionsNeitherSpinNorHoldOffClose) {
    port->ZeroWritesForever(true);
    StartReady();
    ASSERT_TRUE(Post({1}));
    ASSERT_TRUE(port->WaitCalls(Call::WriteFile, 3));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // About one try per 10 ms pause; a spinning writer would make thousands.
    EXPECT_LT(port->Calls(Call::WriteFile), 60);
    const auto start = std::chrono::steady_clock::now();
    Stop(PURGE_TXABORT | PURGE_TXCLEAR);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(Drain().empty());
}

TEST_F(WriterTest, CloseWhileAWriteIsPendingEndsQuietlyAndPurges) {
    port->ScriptWrite({WriteStep::Held});
    StartReady();
    ASSERT_TRUE(Post({1, 2, 3}));
    ASSERT_TRUE(port->WaitCalls(Call::WaitWrite, 1));
    Stop(PURGE_TXABORT | PURGE_TXCLEAR);
    EXPECT_TRUE(Drain().empty());
    EXPECT_TRUE(port->Written().empty());
    EXPECT_EQ(port->Purges(), (std::vector<uint32_t>{0x05, 0x05}));  // ours, then the writer's
    EXPECT_EQ(port->Calls(Call::EndWriter), 1);
    EXPECT_FALSE(Post({1})) << "the ended writer's queue must refuse requests";
}

TEST_F(WriterTest, CloseNoticedAfterTakingARequestDropsIt) {
    // The close request comes while the first request is written; the second, already
    // queued, is taken and then dropped.
    port->SetHook([this](Call c) {
        if (c == Call::WriteFile) close->Set();
    });
    ASSERT_TRUE(Post({1}));
    ASSERT_TRUE(Post({2}));
    StartReady();
    WaitEnded();
    EXPECT_EQ(port->Written(), (Bytes{1}));
    EXPECT_TRUE(Drain().empty());
}

struct WriterFailure {
    std::string name;
    std::function<void(FakePort&)> arrange;
    bool notified;  // whether the failure reaches the owner
    friend void PrintTo(const WriterFailure& c, std::ostream* os) { *os << c.name; }
};

class WriterFailureTest : public WriterTest, public ::testing::WithParamInterface<WriterFailure> {};

TEST_P(WriterFailureTest, PostsAtMostOneFailureThenNothing) {
    GetParam().arrange(*port);
    worker.Start();
    Post({1, 2});
    Post({3});
    WaitEnded();
    std::vector<uint32_t> expected;
    if (GetParam().name != "BeginWriter") expected.push_back(NOTIFY_THREAD_READY);
    if (GetParam().notified) expected.push_back(NOTIFY_COMM_FAILURE);
    EXPECT_EQ(Codes(Drain()), expected);
    EXPECT_TRUE(port->Written().empty());
    EXPECT_FALSE(Post({4}));
}

INSTANTIATE_TEST_SUITE_P(
    Writer, WriterFailureTest,
    ::testing::Values(
        WriterFailure{"BeginWriter", [](FakePort& p) { p.Fail(Call::BeginWriter); }, true},
        WriterFailure{"WriteFile", [](FakePort& p) { p.Fail(Call::WriteFile); }, true},
        WriterFailure{"WriteFileInvalidHandle",
                      [](FakePort& p) { p.Fail(Call::WriteFile, IoStatus::InvalidHandle); }, false},
        WriterFailure{"WaitWrite",
                      [](FakePort& p) {
                          p.ScriptWrite({WriteStep::Pending});
                          p.Fail(Call::WaitWrite);
                      },
                      true},
        WriterFailure{"WriteResult",
                      [](FakePort& p) {
                          p.ScriptWrite({WriteStep::Pending});
                          p.Fail(Call::WriteResult);
                      },
                      true},
        WriterFailure{"WriteResultInvalidHandle",
                      [](FakePort& p) {
                          p.ScriptWrite({WriteStep::Pending});
                          p.Fail(Call::WriteResult, IoStatus::InvalidHandle);
                      },
                      false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace serial::test

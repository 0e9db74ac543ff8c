// Events on Windows: real event handles, which the owner's loop watches directly (a
// QWinEventNotifier on the notification event), and WaitAny over them.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "serial/event.h"

#include <windows.h>

namespace serial::test {
namespace {

using std::chrono::milliseconds;

bool HandleSignalled(const Event& e) {
    return WaitForSingleObject(static_cast<HANDLE>(e.Handle()), 0) == WAIT_OBJECT_0;
}

TEST(Win32Event, HandleIsAManualResetEventThatFollowsSetAndReset) {
    auto e = Event::Create(false);
    ASSERT_TRUE(e);
    EXPECT_FALSE(HandleSignalled(*e));
    e->Set();
    // Manual reset: waiting on it does not consume the signal.
    EXPECT_TRUE(HandleSignalled(*e));
    EXPECT_TRUE(HandleSignalled(*e));
    EXPECT_TRUE(e->IsSet());
    e->Reset();
    EXPECT_FALSE(HandleSignalled(*e));
    EXPECT_FALSE(e->IsSet());

    auto initially = Event::Create(true);
    ASSERT_TRUE(initially);
    EXPECT_TRUE(HandleSignalled(*initially));
}

TEST(Win32Event, WaitAnyReportsTheLowestSetIndexOrTheTimeOut) {
    auto a = Event::Create(false), b = Event::Create(false), c = Event::Create(false);
    Event* list[] = {a.get(), b.get(), c.get()};
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitAny(list, milliseconds(20)), WaitTimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - started, milliseconds(15));
    c->Set();
    EXPECT_EQ(WaitAny(list, milliseconds(0)), 2);
    b->Set();
    EXPECT_EQ(WaitAny(list, milliseconds(-1)), 1);
    a->Set();
    EXPECT_EQ(WaitAny(list, milliseconds(0)), 0);
}

TEST(Win32Event, WaitAnyWithoutLimitWakesOnASetFromAnotherThread) {
    auto close = Event::Create(false), other = Event::Create(false);
    Event* list[] = {close.get(), other.get()};
    std::thread setter([&] {
        std::this_thread::sleep_for(milliseconds(10));
        other->Set();
    });
    EXPECT_EQ(WaitAny(list, milliseconds(-1)), 1);
    setter.join();
}

}  // namespace
}  // namespace serial::test

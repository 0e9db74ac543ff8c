// The event and the wait that the workers and the device layer share.
#include <gtest/gtest.h>

#include <chrono>

#include "serial/event.h"

namespace serial {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(EventWait, ReportsTheLowestSetEventEvenWithTheLongestTimeout) {
    auto a = Event::Create(), b = Event::Create(), c = Event::Create(true);
    ASSERT_TRUE(a && b && c);
    b->Set();
    Event* list[] = {a.get(), b.get(), c.get()};
    // A limit this long must neither overflow nor be taken for "no wait at all".
    EXPECT_EQ(WaitAny(list, std::chrono::milliseconds::max()), 1);
    EXPECT_EQ(WaitAny(list, -1ms), 1);
    b->Reset();
    EXPECT_FALSE(b->IsSet());
    EXPECT_EQ(WaitAny(list, 0ms), 2);
}

TEST(EventWait, TimesOutNoEarlierThanAsked) {
    auto a = Event::Create();
    ASSERT_TRUE(a);
    Event* list[] = {a.get()};
    const auto start = Clock::now();
    EXPECT_EQ(WaitAny(list, 20ms), WaitTimedOut);
    EXPECT_GE(Clock::now() - start, 20ms);
    EXPECT_EQ(WaitAny(list, 0ms), WaitTimedOut);
}

}  // namespace
}  // namespace serial

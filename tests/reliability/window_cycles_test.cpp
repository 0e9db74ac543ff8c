// Fifty Start and Stop cycles of the window leave no descriptor, thread or memory behind.

#include <gtest/gtest.h>

#include "process_stats.h"
#include "window_harness.h"

namespace {

using namespace std::chrono_literals;

TEST(WindowStartStopCycles, LeaveNothingBehind) {
    reliability::Window window;
    serial::testing::Pty line;
    const auto cycle = [&](int i) {
        ASSERT_TRUE(window.StartOn(line)) << "cycle " << i;
        window.Stop();
        ASSERT_FALSE(window.Form().Comm321()->PortOpen());
        reliability::RunFor(5ms);
    };
    for (int i = 0; i < 5; ++i) ASSERT_NO_FATAL_FAILURE(cycle(i));  // warm-up
    const size_t fds = reliability::OpenDescriptors();
    const size_t threads = reliability::Threads();
    const long rss = reliability::ResidentKib();
    for (int i = 5; i < 50; ++i) ASSERT_NO_FATAL_FAILURE(cycle(i));

    EXPECT_EQ(reliability::OpenDescriptors(), fds);
    EXPECT_EQ(reliability::Threads(), threads);
    if (reliability::kMemoryIsMeaningful) {
        EXPECT_LE(reliability::ResidentKib() - rss, 2048);
    }
}

}  // namespace

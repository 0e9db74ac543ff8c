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
    reliability::ExpectNothingLeftBehind(5, 50, 2048, cycle);
}

}  // namespace

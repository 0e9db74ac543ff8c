// The controller's line vanishes while the window is started: the window keeps handling its
// timer, and Stop then Start on a new line talks to the controller again.

#include <gtest/gtest.h>

#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include "window_harness.h"

namespace {

using namespace std::chrono_literals;
using reliability::RunFor;
using reliability::RunUntil;
using serial::testing::Pty;

TEST(WindowLineVanishes, StaysResponsiveAndTalksAgainOnANewLine) {
    reliability::Window window;
    console::TForm1& form = window.Form();
    auto line = std::make_unique<Pty>();
    ASSERT_TRUE(window.StartOn(*line));

    std::vector<std::chrono::steady_clock::time_point> ticks;
    QObject::connect(form.tmr1, &QTimer::timeout,
                     [&] { ticks.push_back(std::chrono::steady_clock::now()); });
    line->CloseMaster();
    RunFor(1000ms);
    // The 200 ms timer kept running: about five ticks in a second, none long delayed.
    ASSERT_GE(ticks.size(), 3u);
    for (size_t i = 1; i < ticks.size(); ++i) EXPECT_LT(ticks[i] - ticks[i - 1], 600ms);
    EXPECT_TRUE(form.btnStop->isEnabled()) << "a vanished line leaves the port open until Stop";

    window.Stop();
    EXPECT_FALSE(form.Comm321()->PortOpen());
    Pty fresh;
    ASSERT_TRUE(window.StartOn(fresh));
    form.txtStatus->clear();
    ASSERT_TRUE(fresh.Write(std::vector<uint8_t>{0xFF, 0x01, 'D', 0x00, 0x03}));
    ASSERT_TRUE(RunUntil([&] { return !form.txtStatus->text().isEmpty(); }));
    EXPECT_EQ(form.txtStatus->text(), QString::fromUtf8("[0] OK - D (запрос статуса)"));
}

}  // namespace

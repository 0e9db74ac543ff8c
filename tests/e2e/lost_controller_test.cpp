// A controller that disappears mid-session (its process killed, the line hung up) must not
// take the console with it, and the operator gets it back with Stop and Start once a new
// controller serves the same port name.

#include <time.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include "session.h"

namespace e2e {
namespace {

using LostControllerTest = Session;

double ProcessCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

TEST_F(LostControllerTest, ConsoleOutlivesAKilledControllerAndReconnectsWithStopAndStart) {
    StartSimulator();
    OpenWindow();
    StartConsole();
    KillSimulator();

    // The window goes on: the timer ticks, a command can still be clicked, no box opens, and
    // no thread of the console spins on the dead line.
    QSignalSpy ticks(form_->tmr1, &QTimer::timeout);
    const double cpuBefore = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    bool boxSeen = false;
    ASSERT_TRUE(apptest::WaitUntil([&] {
        boxSeen = boxSeen || QApplication::activeModalWidget() != nullptr;
        return ticks.count() >= 5;
    }));
    const double cpuShare = (ProcessCpuSeconds() - cpuBefore) / (wall.elapsed() / 1000.0);
    EXPECT_FALSE(boxSeen);
    EXPECT_LT(cpuShare, 0.6) << "CPU time per second of waiting";
    // The port object stays open after its workers gave up; commands go nowhere, quietly.
    EXPECT_TRUE(form_->Comm321()->PortOpen());
    ASSERT_TRUE(form_->btnGetState->isEnabled());
    Click(form_->btnGetState);
    QTest::qWait(250);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    RecordProperty("cpu_share_while_line_dead", QString::number(cpuShare).toStdString());

    StartSimulator();  // a new line behind the same link
    Click(form_->btnStop);
    ASSERT_TRUE(form_->btnStart->isEnabled());
    EXPECT_TRUE(form_->txtStatus->text().isEmpty());
    StartConsole();
    Click(form_->btnEntryAllowed);
    ASSERT_TRUE(Saw("<- 01 4B 00"));
    ExpectStatus("[1] OK - K (въезд разрешен)", Blue());
    ExpectLights({false, true, true, false});
}

}  // namespace
}  // namespace e2e

// The enabling rule: controls follow the port's state, set at each tick and within Start and
// Stop; before the first tick only the stop button and the status-bit group are disabled.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "window_fixture.h"

namespace apptest {
namespace {

using EnablingTest = WindowTest;

// Every control the rule sets, with its state while the port is open.
std::vector<std::pair<QWidget*, bool>> RuledControls(console::TForm1& f) {
    return {{f.btnStart, false},       {f.btnStop, true},        {f.btnWriteNumber, true},
            {f.btnReadNumber, true},   {f.btnReset, true},       {f.btnGetState, true},
            {f.cbbCom, false},         {f.cbbSpeed, false},      {f.grpInputSemaphore, true},
            {f.rbInputRed, true},      {f.rbInputGreen, true},   {f.grpOutputSemaphore, true},
            {f.rbOutputRed, true},     {f.rbOutputGreen, true},  {f.btnErrorGen, true},
            {f.btnErrorData, true},    {f.btnErrorSend, true},   {f.cbbSetSpeed, true},
            {f.btnSetSpeed, true},     {f.edtTimeout, true},     {f.btnWriteTimeout, true},
            {f.btnReadTimeout, true},  {f.btnGetError, true},    {f.chkNEW, false},
            {f.btnEntryAllowed, true}, {f.btnExitAllowed, true}, {f.btnMoveForbidden, true},
            {f.btnSwitchOff, true},    {f.btnTransit, true}};
}

void ExpectState(console::TForm1& f, bool open) {
    for (const auto& [control, whenOpen] : RuledControls(f))
        EXPECT_EQ(control->isEnabled(), open == whenOpen) << control->objectName().toStdString();
    // Never touched by the rule.
    EXPECT_TRUE(f.cbbNumber->isEnabled());
    EXPECT_FALSE(f.grpInputs->isEnabled());
    EXPECT_FALSE(f.chkHasError->isEnabled());
}

TEST_F(EnablingTest, BeforeTheFirstTickOnlyStopAndStatusBitsAreDisabled) {
    MakeWindow();
    for (const auto& [control, whenOpen] : RuledControls(*form_)) {
        (void)whenOpen;
        EXPECT_EQ(control->isEnabled(), control != form_->btnStop)
            << control->objectName().toStdString();
    }
    EXPECT_FALSE(form_->grpInputs->isEnabled());
}

TEST_F(EnablingTest, FollowsThePortAtTicksStartAndStop) {
    PseudoTerminal line;
    MakeWindow();
    ASSERT_TRUE(WaitUntil([&] { return !form_->btnGetState->isEnabled(); }, 2000))
        << "the timer's tick applies the closed state";
    ExpectState(*form_, false);

    StartOn(line);
    ExpectState(*form_, true);

    Click(form_->btnStop);
    EXPECT_FALSE(form_->Comm321()->PortOpen());
    ExpectState(*form_, false);
}

}  // namespace
}  // namespace apptest

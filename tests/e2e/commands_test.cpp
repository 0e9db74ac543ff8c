// Start and every command control against the simulated controller: the bytes each control
// puts on the line, and what the controller's reply then shows on the window.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "session.h"

namespace e2e {
namespace {

using CommandTest = Session;

QString Numbered(const console::TForm1& form, const QString& text) {
    return QStringLiteral("[%1] %2").arg(form.Protocol.ReplyCounter).arg(text);
}

TEST_F(CommandTest, StartShowsTheStatusTheControllerReports) {
    StartSimulator({"--input1"});
    OpenWindow();
    StartConsole();
    ASSERT_TRUE(Saw("-> FF 01 44 90 03"));
    ExpectStatus("[0] OK - D (запрос статуса)", Blue());
    ExpectLights({false, false, false, false});
    EXPECT_TRUE(form_->chkInput1->isChecked());
    EXPECT_FALSE(form_->chkInput2->isChecked());
    EXPECT_FALSE(form_->chkHasError->isChecked());
    EXPECT_TRUE(form_->chkCanGetNext->isChecked());
    EXPECT_TRUE(form_->btnStop->isEnabled());
    EXPECT_FALSE(form_->btnStart->isEnabled());
}

// One session, the controls one after another: each reply shows the lights the controller
// has after the command.
TEST_F(CommandTest, EveryCommandControlSendsItsFrameAndShowsTheReply) {
    StartSimulator();
    OpenWindow();
    StartConsole();
    const QString ok = QStringLiteral("OK - ");
    const struct {
        QWidget* control;
        const char* sent;  // as the simulator's monitor prints it
        QString status;
        QColor colour;
        std::optional<Lights> lights;
    } steps[] = {
        {form_->btnEntryAllowed, "<- 01 4B 00", ok + "K (въезд разрешен)", Blue(),
         Lights{false, true, true, false}},
        {form_->btnExitAllowed, "<- 01 4C 00", ok + "L (выезд разрешен)", Blue(),
         Lights{true, false, false, true}},
        {form_->btnMoveForbidden, "<- 01 4D 00", ok + "M (движение запрещено (все красные))",
         Blue(), Lights{true, false, true, false}},
        {form_->btnTransit, "<- 01 4F 00", ok + "O (транзит (все зеленые))", Blue(),
         Lights{false, true, false, true}},
        {form_->btnSwitchOff, "<- 01 4E 00", ok + "N (выключено (все выключены))", Blue(),
         Lights{false, false, false, false}},
        {form_->rbInputRed, "<- 01 41 01", ok + "A (управление объектом 1)", Blue(),
         Lights{true, false, false, false}},
        {form_->rbOutputGreen, "<- 01 42 02", ok + "B (управление объектом 2)", Blue(),
         Lights{true, false, false, true}},
        {form_->rbInputGreen, "<- 01 41 02", ok + "A (управление объектом 1)", Blue(),
         Lights{false, true, false, true}},
        {form_->rbOutputRed, "<- 01 42 01", ok + "B (управление объектом 2)", Blue(),
         Lights{false, true, true, false}},
        {form_->btnGetState, "<- 01 44 00", ok + "D (запрос статуса)", Blue(),
         Lights{false, true, true, false}},
        {form_->btnGetError, "<- 01 45 00", "Ошибка: нет ошибки", Green(), std::nullopt},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.sent);
        const QString expected = Numbered(*form_, step.status);
        Click(step.control);
        ASSERT_TRUE(Saw(step.sent));
        ExpectStatus(expected, step.colour);
        if (step.lights) ExpectLights(*step.lights);
    }
    // No reply without its command: a stray query (such as an error request) would have
    // shown a further reply by now.
    const int32_t shown = form_->Protocol.ReplyCounter;
    Click(form_->btnGetState);
    ExpectStatus(Numbered(*form_, ok + "D (запрос статуса)"), Blue());
    EXPECT_EQ(form_->Protocol.ReplyCounter, shown + 1);
}

TEST_F(CommandTest, TimeoutIsWrittenInMillisecondsAndReadBack) {
    StartSimulator({"--timeout", "25"});
    OpenWindow();
    StartConsole();

    Click(form_->btnReadTimeout);
    ASSERT_TRUE(Saw("<- 01 47 00"));
    ExpectStatus("[1] OK - G (чтение таймаута)", Blue());
    EXPECT_EQ(form_->edtTimeout->text(), "2500");

    // F's reply letter is one the console does not interpret.
    form_->edtTimeout->setText("1550");
    Click(form_->btnWriteTimeout);
    ASSERT_TRUE(Saw("<- 01 46 0F"));
    ExpectStatus("[2] Пришла неизвестная команда: 46h (\"F\")", Maroon());

    form_->edtTimeout->clear();
    Click(form_->btnReadTimeout);
    ASSERT_TRUE(Saw("<- 01 47 00"));
    ExpectStatus("[3] OK - G (чтение таймаута)", Blue());
    EXPECT_EQ(form_->edtTimeout->text(), "1500");
}

TEST_F(CommandTest, AddressIsWrittenAndReadBackAndThenInUse) {
    StartSimulator();
    OpenWindow();
    StartConsole();

    // I goes to address 0 with the number box's value; its reply letter is not interpreted.
    form_->cbbNumber->setEditText("7");
    Click(form_->btnWriteNumber);
    ASSERT_TRUE(Saw("<- 00 49 07"));
    ExpectStatus("[1] Пришла неизвестная команда: 49h (\"I\")", Maroon());

    // The console forgets the new address; J finds it and takes it over.
    form_->cbbNumber->setEditText("1");
    ASSERT_EQ(form_->Protocol.ControllerNumber, 1);
    Click(form_->btnReadNumber);
    ASSERT_TRUE(Saw("<- 00 4A 00"));
    ExpectStatus("[2] OK - J (чтение адреса (идентификатора))", Blue());
    EXPECT_EQ(form_->cbbNumber->currentText(), "7");
    EXPECT_EQ(form_->Protocol.ControllerNumber, 7);

    Click(form_->btnGetState);
    ASSERT_TRUE(Saw("<- 07 44 00"));
    ExpectStatus("[3] OK - D (запрос статуса)", Blue());
}

}  // namespace
}  // namespace e2e

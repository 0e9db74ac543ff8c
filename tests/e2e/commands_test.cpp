// Start and every command control against the simulated controller, whose replies take
// their real time on the line: the bytes each control puts on the line, and what the
// controller's reply then shows on the window. At the slowest and the fastest speed, in both
// reply formats.

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

struct LineConfig {
    const char* name;
    int speedRow;  // of both speed lists
    const char* baud;
    bool fiveByte;
};

// Set speed orders 38400, neither speed of the configurations: a console that stayed at its
// old speed, or did not come back to 9600 at Reset, would no longer be understood.
constexpr int kSetSpeedRow = 2;

void PrintTo(const LineConfig& config, std::ostream* out) {
    *out << config.name;
}

class EveryCommandTest : public Session, public testing::WithParamInterface<LineConfig> {};

// One session, the controls one after another: each reply shows the lights, the timeout,
// the address or the error the controller has after the command.
TEST_P(EveryCommandTest, EachControlSendsItsFrameAndShowsTheReply) {
    const LineConfig& line = GetParam();
    StartSimulator({"--baud", line.baud, "--format", line.fiveByte ? "5" : "3", "--timeout", "25"});
    OpenWindow();
    form_->cbbSpeed->setCurrentIndex(line.speedRow);
    form_->cbbSetSpeed->setCurrentIndex(kSetSpeedRow);
    form_->chkNEW->setChecked(line.fiveByte);
    StartConsole();
    ASSERT_TRUE(Saw(std::string("-- replies paced at ") + line.baud + " bit/s"));

    const QString ok = QStringLiteral("OK - ");
    const QString unknown = QStringLiteral("Пришла неизвестная команда: ");
    const struct Step {
        QWidget* control;
        const char* sent;  // as the simulator's monitor prints it
        QString status;    // after the number; after a restart, the end of the status line
        QColor colour = Blue();
        std::optional<Lights> lights = std::nullopt;
        const char* timeoutBox = nullptr;  // edtTimeout's text before the click
        const char* timeoutShown = nullptr;
        const char* numberBox = nullptr;  // cbbNumber's text before the click
        const char* numberShown = nullptr;
        bool restarts = false;  // the port reopens and Start's status request follows
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
        {form_->btnGetError, "<- 01 45 00", "Ошибка: нет ошибки", Green()},
        // The timeout travels in units of 100 ms; F's reply letter is not interpreted.
        {form_->btnReadTimeout,
         "<- 01 47 00",
         ok + "G (чтение таймаута)",
         Blue(),
         {},
         nullptr,
         "2500"},
        {form_->btnWriteTimeout, "<- 01 46 0F", unknown + "46h (\"F\")", Maroon(), {}, "1550"},
        {form_->btnReadTimeout, "<- 01 47 00", ok + "G (чтение таймаута)", Blue(), {}, "", "1500"},
        // I goes to address 0; the console forgets the new address, J finds it again.
        {form_->btnWriteNumber,
         "<- 00 49 07",
         unknown + "49h (\"I\")",
         Maroon(),
         {},
         nullptr,
         nullptr,
         "7"},
        {form_->btnReadNumber,
         "<- 00 4A 00",
         ok + "J (чтение адреса (идентификатора))",
         Blue(),
         {},
         nullptr,
         nullptr,
         "1",
         "7"},
        {form_->btnGetState, "<- 07 44 00", ok + "D (запрос статуса)", Blue(),
         Lights{false, true, true, false}},
        // The provocations: the controller's error code, read back with E.
        {form_->btnErrorGen, "<- 07 50 00", unknown + "50h (\"P\")", Maroon()},
        {form_->btnGetError, "<- 07 45 00", "Ошибка: Недопустимый код команды", Red()},
        {form_->btnErrorData, "<- 07 48 01", unknown + "48h (\"H\")", Maroon()},
        {form_->btnGetError, "<- 07 45 00", "Ошибка: Недопустимые данные", Red()},
        // Set speed to 38400, then Reset: the controller and the console go back to 9600.
        {form_->btnSetSpeed, "<- 07 48 26", ok + "D (запрос статуса)", Blue(),
         Lights{false, true, true, false}, nullptr, nullptr, nullptr, nullptr, true},
        {form_->btnReset, "<- 07 43 00", ok + "D (запрос статуса)", Blue(),
         Lights{false, false, false, false}, nullptr, nullptr, nullptr, nullptr, true},
        {form_->btnTransit, "<- 07 4F 00", ok + "O (транзит (все зеленые))", Blue(),
         Lights{false, true, false, true}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.sent);
        if (step.timeoutBox) form_->edtTimeout->setText(step.timeoutBox);
        if (step.numberBox) form_->cbbNumber->setEditText(step.numberBox);
        const QString expected = Numbered(*form_, step.status);
        Click(step.control);
        ASSERT_TRUE(Saw(step.sent));
        if (step.restarts) {
            // A reply still queued at the closing may come first: only the end is certain.
            ASSERT_TRUE(Saw("<- 07 44 00"));
            ASSERT_TRUE(apptest::WaitUntil([&] {
                return form_->txtStatus->text().endsWith(step.status);
            })) << form_->txtStatus->text().toStdString();
            EXPECT_TRUE(form_->Comm321()->PortOpen());
            EXPECT_EQ(TextColour(form_->txtStatus), step.colour);
        } else {
            ExpectStatus(expected, step.colour);
        }
        if (step.lights) ExpectLights(*step.lights);
        if (step.timeoutShown) {
            EXPECT_EQ(form_->edtTimeout->text(), step.timeoutShown);
        }
        if (step.numberShown) {
            EXPECT_EQ(form_->cbbNumber->currentText(), step.numberShown);
        }
    }
    EXPECT_EQ(form_->Protocol.ControllerNumber, 7);
    // No reply without its command: a stray query (such as an error request) would have
    // shown a further reply by now.
    const int32_t shown = form_->Protocol.ReplyCounter;
    Click(form_->btnGetState);
    ExpectStatus(Numbered(*form_, ok + "D (запрос статуса)"), Blue());
    EXPECT_EQ(form_->Protocol.ReplyCounter, shown + 1);
}

INSTANTIATE_TEST_SUITE_P(Paced, EveryCommandTest,
                         testing::Values(LineConfig{"At9600FiveByte", 0, "9600", true},
                                         LineConfig{"At9600ThreeByte", 0, "9600", false},
                                         LineConfig{"At115200FiveByte", 4, "115200", true},
                                         LineConfig{"At115200ThreeByte", 4, "115200", false}),
                         [](const testing::TestParamInfo<LineConfig>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace e2e

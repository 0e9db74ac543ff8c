// The tap between the console and a controller: the real window on the tap's
// pseudo-terminal, the simulated controller (paced) on a second one standing for the serial
// device. What the window shows must be what it shows without the tap, the tap's monitor and
// log must show both directions decoded as the console reads them (a split reply is one reply,
// broken markers a five-byte reply), and a speed set by the console must reach the device
// before the next command does. And a device that disappears must not take the tap with it.

#include <signal.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <fstream>
#include <sstream>
#include <thread>

#include "session.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

class TapTest : public Session {
  protected:
    void TearDown() override {
        Session::TearDown();
        if (tap_) tap_->Signal(SIGTERM);
        tap_.reset();
    }

    std::string DevicePath() const { return scratch_.Path() + "/ttyDEV"; }
    std::string TapLog() const { return scratch_.Path() + "/tap.log"; }

    // The simulated controller at DevicePath(), extra args passed on.
    std::unique_ptr<simtest::SimProcess> StartDevice(const std::vector<std::string>& args = {}) {
        std::vector<std::string> all{"--link", DevicePath()};
        all.insert(all.end(), args.begin(), args.end());
        auto device = std::make_unique<simtest::SimProcess>(all);
        EXPECT_FALSE(device->DevicePath().empty()) << "the simulator did not start";
        return device;
    }
    // The tap in front of it, offering the console LinkPath().
    void StartTap(const std::vector<std::string>& args = {}) {
        std::vector<std::string> all{"--device", DevicePath(), "--link",
                                     LinkPath(), "--log",      TapLog()};
        all.insert(all.end(), args.begin(), args.end());
        tap_ = std::make_unique<simtest::ToolProcess>(CONTROLLER_TAP_PATH, all);
        ASSERT_FALSE(tap_->FirstLine(10s).empty()) << "the tap did not start";
    }
    bool TapSaw(const std::string& line) { return Saw(*tap_, line); }

    std::unique_ptr<simtest::ToolProcess> tap_;
};

QString Numbered(const console::TForm1& form, const QString& text) {
    return QStringLiteral("[%1] %2").arg(form.Protocol.ReplyCounter).arg(text);
}

TEST_F(TapTest, ConversationGoesThroughDecodedBothWaysAndFollowsSetSpeed) {
    sim_ = StartDevice();
    StartTap({"--format", "5"});
    OpenWindow();
    StartConsole();
    ASSERT_TRUE(TapSaw("-> 01 44 00        to 1: D status request"));
    ASSERT_TRUE(TapSaw("<- FF 01 44 80 03  from 1: D status 80: ready"));

    const struct Step {
        QWidget* control;
        const char* command;  // on the tap's monitor
        const char* reply;
        QString status;
        QColor colour;
    } steps[] = {
        {form_->btnTransit, "-> 01 4F 00        to 1: O transit (both green)",
         "<- FF 01 4F 8A 03  from 1: O status 8A: entry green, exit green, ready",
         "OK - O (транзит (все зеленые))", Blue()},
        {form_->btnReadTimeout, "-> 01 47 00        to 1: G read the timeout",
         "<- FF 01 47 0A 03  from 1: G timeout 10 (1000 ms)", "OK - G (чтение таймаута)", Blue()},
        {form_->btnErrorGen, "-> 01 50 00        to 1: P no such command",
         "<- FF 01 50 00 03  from 1: P data 00h (not interpreted)",
         "Пришла неизвестная команда: 50h (\"P\")", Maroon()},
        {form_->btnGetError, "-> 01 45 00        to 1: E read the error code",
         "<- FF 01 45 02 03  from 1: E error 2: Недопустимый код команды",
         "Ошибка: Недопустимый код команды", Red()},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command);
        const QString expected = Numbered(*form_, step.status);
        Click(step.control);
        ASSERT_TRUE(TapSaw(step.command));
        ASSERT_TRUE(TapSaw(step.reply));
        ExpectStatus(expected, step.colour);
    }
    EXPECT_EQ(form_->edtTimeout->text(), "1000");

    // What the console cannot read as a frame is marked, in hex: a single byte, a reply
    // with broken markers, a reply in the other format.
    // The controller takes the single byte for a receive error: the status reply shows it,
    // and the console asks for the error code at once.
    Click(form_->btnErrorSend);
    ASSERT_TRUE(TapSaw("-> 00              incomplete command"));
    ASSERT_TRUE(Saw("<- 00 (incomplete command dropped"));
    Control("broken-markers on", "broken-markers on");
    Click(form_->btnGetState);
    ASSERT_TRUE(
        TapSaw("<- FE 01 44 CA 02  malformed reply (start FE, end 02): from 1: D status "
               "CA: entry green, exit green, error present, ready"));
    ASSERT_TRUE(TapSaw("-> 01 45 00        to 1: E read the error code"));
    ASSERT_TRUE(TapSaw("<- FE 01 45 01 02  malformed reply (start FE, end 02): from 1: E error 1"));
    Control("broken-markers off", "broken-markers off");
    // A three-byte reply is three of the five bytes the console waits for, until the next
    // command drops them.
    Control("format 3", "format 3");
    Click(form_->btnGetState);
    ASSERT_TRUE(Saw("-> 01 44 8A"));
    Control("format 5", "format 5");

    // Set speed: the controller answers at 9600 and switches; the console reopens at 19200,
    // and the tap switches the device before Start's status request goes through.
    form_->cbbSetSpeed->setCurrentIndex(1);
    Click(form_->btnSetSpeed);
    ASSERT_TRUE(
        TapSaw("<- 01 44 8A        incomplete reply (3 of 5 bytes), dropped at the next command"));
    ASSERT_TRUE(TapSaw("-> 01 48 13        to 1: H write the line speed 19200 (code 19)"));
    ASSERT_TRUE(TapSaw("<- FF 01 48 13 03  from 1: H data 13h (not interpreted)"));
    ASSERT_TRUE(TapSaw("-- console set 19200 bit/s: device switched to it"));
    ASSERT_TRUE(TapSaw("-> 01 44 00        to 1: D status request"));
    ASSERT_TRUE(Saw("-- replies paced at 19200 bit/s"));
    ASSERT_TRUE(TapSaw("<- FF 01 44 8A 03  from 1: D status 8A"));
    ASSERT_TRUE(apptest::WaitUntil([&] {
        return form_->txtStatus->text().endsWith(QStringLiteral("OK - D (запрос статуса)"));
    })) << form_->txtStatus->text().toStdString();
    EXPECT_EQ(form_->cbbSpeed->currentText(), "19200");

    const QString expected = Numbered(*form_, "OK - L (выезд разрешен)");
    Click(form_->btnExitAllowed);
    ASSERT_TRUE(TapSaw("-> 01 4C 00        to 1: L exit allowed (entry red, exit green)"));
    ASSERT_TRUE(TapSaw("<- FF 01 4C 89 03  from 1: L status 89: entry red, exit green, ready"));
    ExpectStatus(expected, Blue());
    ExpectLights({true, false, false, true});

    // The log holds what the monitor printed, after the line that names the terminal.
    std::string log;
    std::string printed;
    const bool same = apptest::WaitUntil([&] {
        std::ifstream file(TapLog());
        std::stringstream text;
        text << file.rdbuf();
        log = text.str();
        const std::vector<std::string> lines = tap_->Lines();
        printed.clear();
        for (size_t i = 1; i < lines.size(); ++i) printed += lines[i] + "\n";
        return log == printed;
    });
    EXPECT_TRUE(same) << "log:\n" << log << "monitor:\n" << printed;
    EXPECT_NE(log.find("-> 01 4C 00"), std::string::npos);
}

// Without --format the tap learns the format from the replies. A reply split by a pause
// longer than the old 20 ms framing is still one reply, as the console assembles it, and
// broken markers after D make a five-byte reply with broken markers, not one from 254.
TEST_F(TapTest, SplitRepliesAndBrokenMarkersAreReadAsTheConsoleReadsThem) {
    sim_ = StartDevice({"--split", "30"});
    StartTap();
    OpenWindow();
    StartConsole();
    ASSERT_TRUE(TapSaw("-- replies read as five-byte: FF 01 44 80 03 answers 01 44 00"));
    const auto split = tap_->NextLineWith("<- FF 01 44 80 03  from 1: D status 80: ready; in ");
    ASSERT_TRUE(split.has_value());
    const size_t gap = split->find("the longest gap ");
    ASSERT_NE(gap, std::string::npos) << *split;
    // Longer than the silence that once cut replies into frames.
    EXPECT_GT(std::stod(split->substr(gap + 16)), 20.0) << *split;
    EXPECT_NE(split->find(" after byte 1; console: \"[n] OK - D (запрос статуса)\" blue"),
              std::string::npos)
        << *split;

    Control("split 0", "split 0 ms");
    Control("broken-markers on", "broken-markers on");
    const QString expected = Numbered(*form_, "OK - D (запрос статуса)");
    Click(form_->btnGetState);
    const auto broken = tap_->NextLineWith("<- FE 01 44 80 02  ");
    ASSERT_TRUE(broken.has_value());
    EXPECT_NE(broken->find("<- FE 01 44 80 02  malformed reply (start FE, end 02): from 1: D "
                           "status 80: ready; in "),
              std::string::npos)
        << *broken;
    EXPECT_NE(broken->find("; console: \"[n] OK - D (запрос статуса)\" blue"), std::string::npos)
        << *broken;
    ExpectStatus(expected, Blue());
}

TEST_F(TapTest, DeviceThatDisappearsIsReportedAndOpenedAgainWithoutSpinning) {
    sim_ = StartDevice();
    StartTap();
    simtest::ConsoleEnd console(LinkPath());
    ASSERT_TRUE(console.IsOpen());
    const simtest::Bytes status{0xFF, 0x01, 0x44, 0x80, 0x03};
    EXPECT_EQ(console.Ask({1, 'D', 0}), status);

    // Unplugged: its terminal goes away with it, and its name.
    sim_->Signal(SIGTERM);
    ASSERT_TRUE(sim_->WaitExit().has_value());
    ASSERT_TRUE(TapSaw("-- device " + DevicePath() + " lost"));
    ASSERT_TRUE(TapSaw("No such file or directory"));
    console.Send({1, 'D', 0});
    ASSERT_TRUE(TapSaw("-- no device: 01 44 00 from the console dropped"));
    const long before = tap_->CpuTicks();
    std::this_thread::sleep_for(1500ms);
    EXPECT_LE(tap_->CpuTicks() - before, 15) << "the tap is busy while the device is gone";

    // Plugged in again, under the same name: the console's terminal never went away.
    sim_ = StartDevice();
    ASSERT_TRUE(TapSaw("-- device " + DevicePath() + " open again at 9600 bit/s"));
    EXPECT_EQ(console.Ask({1, 'D', 0}), status);
    ASSERT_TRUE(TapSaw("<- FF 01 44 80 03  from 1: D status 80: ready"));
}

}  // namespace
}  // namespace e2e

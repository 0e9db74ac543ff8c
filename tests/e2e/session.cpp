#include "session.h"

#include <signal.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

namespace e2e {

QColor Red() {
    return {255, 0, 0};
}
QColor Green() {
    return {0, 128, 0};
}
QColor Blue() {
    return {0, 0, 255};
}
QColor Maroon() {
    return {128, 0, 0};
}
QColor Face() {
    return QApplication::palette().color(QPalette::Button);
}
// Colours as an enabled control shows them: indicators may be disabled meanwhile.
QColor TextColour(QWidget* control) {
    return control->palette().color(QPalette::Active, QPalette::WindowText);
}
QColor Background(QWidget* control) {
    return control->palette().color(QPalette::Active, control->backgroundRole());
}

void Session::TearDown() {
    // The window closes its port before the simulator goes, as an operator's exit would.
    WindowTest::TearDown();
    sim_.reset();
}

std::string Session::LinkPath() const {
    return scratch_.Path() + "/ttySIM";
}

void Session::StartSimulator(const std::vector<std::string>& args) {
    std::vector<std::string> all{"--link", LinkPath()};
    all.insert(all.end(), args.begin(), args.end());
    sim_ = std::make_unique<simtest::SimProcess>(all);
    ASSERT_FALSE(sim_->DevicePath().empty()) << "the simulator did not start";
}

void Session::KillSimulator() {
    sim_->Signal(SIGKILL);
    ASSERT_TRUE(sim_->WaitExit().has_value());
}

void Session::OpenWindow() {
    MakeWindow();
    form_->cbbCom->setEditText(QString::fromStdString(LinkPath()));
}

void Session::StartConsole() {
    Click(form_->btnStart);
    ASSERT_TRUE(form_->Comm321()->PortOpen());
    ASSERT_TRUE(Saw("<- 01 44 00"));
    ASSERT_TRUE(StatusBecomes("[0] OK - D (запрос статуса)"));
}

bool Session::Saw(simtest::ToolProcess& process, const std::string& line) {
    // The window's events go on meanwhile: some lines are the console's answer to a reply.
    const bool seen = apptest::WaitUntil(
        [&] { return process.WaitForLine(line, std::chrono::milliseconds(0)); }, 5000);
    EXPECT_TRUE(seen) << "the monitor never showed \"" << line << "\"";
    return seen;
}

void Session::Control(const std::string& line, const std::string& ack) {
    ASSERT_TRUE(sim_->Control(line, ack)) << line;
}

bool Session::StatusBecomes(const QString& text, int timeoutMs) {
    const bool seen =
        apptest::WaitUntil([&] { return form_->txtStatus->text() == text; }, timeoutMs);
    EXPECT_TRUE(seen) << "status line: \"" << form_->txtStatus->text().toStdString()
                      << "\", expected \"" << text.toStdString() << "\"";
    return seen;
}

void Session::ExpectStatus(const QString& text, const QColor& colour) {
    if (!StatusBecomes(text)) return;
    EXPECT_EQ(TextColour(form_->txtStatus), colour) << text.toStdString();
}

void Session::ExpectLights(const Lights& lights) {
    const struct {
        QRadioButton* selector;
        bool on;
        QColor onColour;
    } selectors[] = {{form_->rbInputRed, lights.InputRed, Red()},
                     {form_->rbInputGreen, lights.InputGreen, Green()},
                     {form_->rbOutputRed, lights.OutputRed, Red()},
                     {form_->rbOutputGreen, lights.OutputGreen, Green()}};
    for (const auto& s : selectors) {
        SCOPED_TRACE(s.selector->objectName().toStdString());
        EXPECT_EQ(s.selector->isChecked(), s.on);
        EXPECT_EQ(Background(s.selector), s.on ? s.onColour : Face());
    }
}

}  // namespace e2e

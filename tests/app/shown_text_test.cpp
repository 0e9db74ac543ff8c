// What the window shows comes from the line or from the operator, and from nothing else: a
// reply's notes leave the status line with its text, a typed text reaches a failure box as
// typed, and the program's command line reaches neither. The port box's tooltip tells the
// device its text stands for, as the system has it when the tooltip is shown.

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QToolButton>
#include <filesystem>

#include "window_fixture.h"

namespace apptest {
namespace {

using ShownTextTest = WindowTest;

TEST_F(ShownTextTest, WindowShowsOnlyWhatArrivedOrWasTyped) {
    PseudoTerminal line;
    MakeWindow();
    StartOn(line);
    Reply(line, {0x00, 0x01, 'D', 0x05, 0x03});  // malformed frame: its note is the tooltip
    ASSERT_FALSE(form_->txtStatus->toolTip().isEmpty());
    Click(form_->btnStop);
    EXPECT_EQ(form_->txtStatus->text(), "");
    EXPECT_EQ(form_->txtStatus->toolTip(), "") << "a note outlived the status line";

    form_->cbbNumber->setEditText("<b>7");
    const auto box = CloseBoxDuring([&] { Click(form_->btnStart); });
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Text, "'<b>7' is not a valid integer value.");

    // The program takes no arguments: not even the toolkit's own options reach it. An unknown
    // platform among them would end it at once; the platform named by the environment holds.
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QGuiApplication::platformName());
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(DRAVIK_PROGRAM),
                  {"-platform", "dravik-none", "-reverse", "-qwindowtitle", "Другое", "-stylesheet",
                   "/dravik-none.qss"});
    ASSERT_TRUE(program.waitForStarted());
    EXPECT_FALSE(program.waitForFinished(1500))
        << "the program ended on its options: " << program.readAll().toStdString();
    program.kill();
    program.waitForFinished();
}

TEST_F(ShownTextTest, PortBoxToolTipNamesTheDeviceAndWhetherItIsThereNow) {
    MakeWindow();
    EXPECT_EQ(form_->cbbCom->count(), 18);
    // As a pointer resting on the box's text does: the event reaches its line edit first.
    const auto hover = [&](const QString& text) {
        form_->cbbCom->setEditText(text);
        QWidget* under = form_->cbbCom->lineEdit();
        QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), under->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(under, &help);
        return form_->cbbCom->toolTip().toStdString();
    };
    // Where a COM name stands for a device of another name: port_tooltip_test_posix.cpp.
    PseudoTerminal line;
    EXPECT_EQ(hover(QString::fromStdString(line.Path())),
              "Устройство " + line.Path() + " есть в системе.");
    // Asked again at each hover: a device that is gone is said to be gone.
    const std::string missing =
        (std::filesystem::path(dir_.path().toStdString()) / "ttyGONE").string();
    EXPECT_EQ(hover(QString::fromStdString(missing)),
              "Устройства " + missing + " сейчас нет в системе.");
    EXPECT_EQ(hover(""), "Порт не задан.");
}

}  // namespace
}  // namespace apptest

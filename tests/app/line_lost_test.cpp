// The line goes away while the port is open (the adapter is pulled): the window says so on
// its status line instead of showing the last reply as if the controller were still there.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

#include "console/window/texts.h"
#include "window_fixture.h"

namespace apptest {
namespace {

using LineLostTest = WindowTest;

TEST_F(LineLostTest, StatusLineSaysSoInRedAndTheIndicatorsClearAsAtStop) {
    PseudoTerminal line;
    MakeWindow();
    StartOn(line);
    // Entry green, exit red, input 1, an error, ready.
    Reply(line, {0xFF, 0x01, 'D', 0xD6, 0x03});
    ASSERT_TRUE(form_->rbInputGreen->isChecked());
    line.Drain();  // the error query

    line.CloseMaster();
    const QString lost = QString::fromUtf8(console::kLineLost);
    ASSERT_TRUE(WaitUntil([&] { return form_->txtStatus->text().startsWith(lost); }))
        << form_->txtStatus->text().toStdString();
    EXPECT_EQ(form_->txtStatus->text(),
              lost + QString::fromStdString(" Устройство " + line.Path() + " отключено."));
    EXPECT_EQ(form_->txtStatus->palette().color(QPalette::Active, QPalette::WindowText),
              QColor(255, 0, 0));
    for (QAbstractButton* cleared : {static_cast<QAbstractButton*>(form_->rbInputGreen),
                                     static_cast<QAbstractButton*>(form_->rbOutputRed),
                                     static_cast<QAbstractButton*>(form_->chkInput1)}) {
        EXPECT_FALSE(cleared->isChecked()) << cleared->objectName().toStdString();
    }
    EXPECT_EQ(form_->rbInputGreen->palette().color(QPalette::Active, QPalette::Window),
              QApplication::palette().color(QPalette::Button));
    EXPECT_TRUE(form_->chkHasError->isChecked());
    EXPECT_TRUE(form_->chkCanGetNext->isChecked());
    EXPECT_TRUE(form_->Comm321()->PortOpen()) << "the port stays open until Stop";

    Click(form_->btnStop);
    EXPECT_FALSE(form_->Comm321()->PortOpen());
    EXPECT_EQ(form_->txtStatus->text(), "");
    EXPECT_EQ(form_->txtStatus->toolTip(), "");
}

}  // namespace
}  // namespace apptest

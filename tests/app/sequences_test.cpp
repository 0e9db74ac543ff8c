// The operator's sequences against a pseudo-terminal standing in for the controller: Start,
// replies shown, light selectors, Stop, Reset, Set speed, the reply format, and failures.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest/QTest>
#include <optional>
#include <string>

#include "console/window/application.h"
#include "window_fixture.h"

namespace apptest {
namespace {

using Bytes = std::vector<uint8_t>;
using SequenceTest = WindowTest;

// Colours as an enabled control shows them; indicators may be disabled meanwhile.
QColor Background(QWidget* w) {
    return w->palette().color(QPalette::Active, w->backgroundRole());
}
QColor TextColour(QWidget* w) {
    return w->palette().color(QPalette::Active, QPalette::WindowText);
}
QColor Face() {
    return QApplication::palette().color(QPalette::Button);
}

void TypeNumber(console::TForm1& f, const QString& text) {
    f.cbbNumber->lineEdit()->clear();
    QTest::keyClicks(f.cbbNumber->lineEdit(), text);
}

TEST_F(SequenceTest, NumberBoxValidatesEveryChange) {
    MakeWindow();
    const QColor windowColour = QApplication::palette().color(QPalette::Base);
    const QColor red(255, 0, 0);
    TypeNumber(*form_, "5");
    ASSERT_EQ(form_->Protocol.ControllerNumber, 5);
    const struct {
        const char* text;
        bool accepted;
        int32_t number;  // ControllerNumber afterwards
    } cases[] = {
        {"0", false, 5},    {"-3", false, 5}, {"abc", false, 5}, {"7", true, 7},
        {"300", true, 300}, {"", false, 300}, {"$1F", true, 31},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TypeNumber(*form_, QString::fromLatin1(c.text));
        EXPECT_EQ(form_->cbbNumber->currentText(), QString::fromLatin1(c.text));
        EXPECT_EQ(form_->cbbNumber->palette().color(QPalette::Base),
                  c.accepted ? windowColour : red);
        EXPECT_EQ(form_->Protocol.ControllerNumber, c.number);
    }
    form_->cbbNumber->setCurrentIndex(1);  // chosen from the list
    EXPECT_EQ(form_->Protocol.ControllerNumber, 2);
}

TEST_F(SequenceTest, StartWithABadNumberFailsWithThePortClosedAndIndicatorsCleared) {
    PseudoTerminal line;
    MakeWindow();
    PointAt(line);
    form_->rbInputRed->setChecked(true);
    form_->chkInput1->setChecked(true);
    form_->cbbNumber->setEditText("abc");
    const auto box = CloseBoxDuring([&] { Click(form_->btnStart); });
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Text, "'abc' is not a valid integer value.");
    EXPECT_EQ(box->Icon, QMessageBox::Critical);
    EXPECT_EQ(box->Title, console::TApplication::Title());
    EXPECT_FALSE(form_->Comm321()->PortOpen());
    EXPECT_FALSE(form_->rbInputRed->isChecked());
    EXPECT_FALSE(form_->chkInput1->isChecked());
    EXPECT_TRUE(line.Drain().empty());
}

TEST_F(SequenceTest, StartWithoutASpeedRowFailsWithTheEmptyText) {
    MakeWindow();
    form_->cbbSpeed->setCurrentIndex(-1);
    const auto box = CloseBoxDuring([&] { Click(form_->btnStart); });
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Text, "'' is not a valid integer value.");
    EXPECT_FALSE(form_->Comm321()->PortOpen());
}

TEST_F(SequenceTest, StartSendsTheStatusRequestAndAReplyIsShown) {
    PseudoTerminal line;
    MakeWindow();
    PointAt(line);
    Click(form_->btnStart);
    ASSERT_TRUE(form_->Comm321()->PortOpen());
    EXPECT_EQ(line.Read(3), (Bytes{0x01, 'D', 0x00}));

    // Lights red/red, an error present: the E query follows at once, and nothing else.
    Reply(line, {0xFF, 0x01, 0x44, 0x45, 0x03});
    EXPECT_EQ(form_->txtStatus->text(), "[0] OK - D (запрос статуса)");
    EXPECT_EQ(TextColour(form_->txtStatus), QColor(0, 0, 255));
    EXPECT_TRUE(form_->rbInputRed->isChecked());
    EXPECT_FALSE(form_->rbInputGreen->isChecked());
    EXPECT_TRUE(form_->rbOutputRed->isChecked());
    EXPECT_EQ(Background(form_->rbInputRed), QColor(255, 0, 0));
    EXPECT_EQ(Background(form_->rbOutputRed), QColor(255, 0, 0));
    EXPECT_EQ(Background(form_->rbInputGreen), Face());
    EXPECT_TRUE(form_->chkHasError->isChecked());
    EXPECT_EQ(TextColour(form_->chkHasError), QColor(255, 0, 0));
    EXPECT_EQ(line.Drain(), (Bytes{0x01, 'E', 0x00})) << "showing a status sends no A or B";

    // Both green bits: only green shows; the error clears and so does its colour.
    Reply(line, {0xFF, 0x01, 0x44, 0x8B, 0x03});
    EXPECT_EQ(form_->txtStatus->text(), "[1] OK - D (запрос статуса)");
    EXPECT_FALSE(form_->rbInputRed->isChecked());
    EXPECT_TRUE(form_->rbInputGreen->isChecked());
    EXPECT_EQ(Background(form_->rbInputGreen), QColor(0, 128, 0));
    EXPECT_EQ(Background(form_->rbInputRed), Face());
    EXPECT_TRUE(form_->chkCanGetNext->isChecked());
    EXPECT_EQ(TextColour(form_->chkHasError), QApplication::palette().color(QPalette::WindowText));
    EXPECT_TRUE(line.Drain().empty());

    // G and J replies reach the timeout edit and the number box.
    Reply(line, {0xFF, 0x01, 'G', 25, 0x03});
    EXPECT_EQ(form_->edtTimeout->text(), "2500");
    Reply(line, {0xFF, 0x07, 'J', 3, 0x03});
    EXPECT_EQ(form_->cbbNumber->currentText(), "3");
    EXPECT_EQ(form_->Protocol.ControllerNumber, 3);
    // A reply from another address: maroon, with the message as the tooltip.
    Reply(line, {0xFF, 0x09, 'D', 0x00, 0x03});
    EXPECT_EQ(TextColour(form_->txtStatus), QColor(128, 0, 0));
    EXPECT_FALSE(form_->txtStatus->toolTip().isEmpty());

    // Stop: status line emptied, lights and inputs cleared, the other two bits kept.
    Reply(line, {0xFF, 0x03, 0x44, 0xF5, 0x03});
    line.Drain();  // its E query
    Click(form_->btnStop);
    EXPECT_FALSE(form_->Comm321()->PortOpen());
    EXPECT_TRUE(form_->txtStatus->text().isEmpty());
    EXPECT_FALSE(form_->rbInputRed->isChecked());
    EXPECT_FALSE(form_->rbOutputRed->isChecked());
    EXPECT_FALSE(form_->chkInput1->isChecked());
    EXPECT_FALSE(form_->chkInput2->isChecked());
    EXPECT_TRUE(form_->chkHasError->isChecked());
    EXPECT_TRUE(form_->chkCanGetNext->isChecked());
    EXPECT_EQ(Background(form_->rbInputRed), Face());
}

TEST_F(SequenceTest, OnlyAClickThatChecksASelectorSends) {
    PseudoTerminal line;
    MakeWindow();
    StartOn(line);
    Reply(line, {0xFF, 0x01, 0x44, 0x05, 0x03});  // both lights red
    ASSERT_TRUE(form_->rbInputRed->isChecked());
    EXPECT_TRUE(line.Drain().empty());

    const struct {
        QRadioButton* selector;
        Bytes sent;
    } clicks[] = {
        {form_->rbInputRed, {}},  // already checked by the status: nothing
        {form_->rbInputGreen, {0x01, 'A', 0x02}},
        {form_->rbInputGreen, {}},  // now checked by the click: nothing
        {form_->rbInputRed, {0x01, 'A', 0x01}},
        {form_->rbOutputGreen, {0x01, 'B', 0x02}},
        {form_->rbOutputRed, {0x01, 'B', 0x01}},
        {form_->rbOutputRed, {}},
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.selector->objectName().toStdString());
        Click(c.selector);
        EXPECT_TRUE(c.selector->isChecked());
        EXPECT_EQ(line.Drain(), c.sent);
    }
}

TEST_F(SequenceTest, CommandButtonsSendTheirFrames) {
    PseudoTerminal line;
    MakeWindow();
    StartOn(line);
    form_->edtTimeout->setText("1050");
    form_->cbbNumber->setEditText("300");  // controller 300: address byte 0x2C
    const struct {
        QPushButton* button;
        Bytes sent;
    } clicks[] = {
        {form_->btnGetError, {0x2C, 'E', 0}},
        {form_->btnReadTimeout, {0x2C, 'G', 0}},
        {form_->btnWriteTimeout, {0x2C, 'F', 10}},
        {form_->btnWriteNumber, {0x00, 'I', 0x2C}},
        {form_->btnReadNumber, {0x00, 'J', 0}},
        {form_->btnEntryAllowed, {0x2C, 'K', 0}},
        {form_->btnExitAllowed, {0x2C, 'L', 0}},
        {form_->btnMoveForbidden, {0x2C, 'M', 0}},
        {form_->btnSwitchOff, {0x2C, 'N', 0}},
        {form_->btnTransit, {0x2C, 'O', 0}},
        {form_->btnErrorGen, {0x2C, 'P', 0}},
        {form_->btnErrorData, {0x2C, 'H', 1}},
        {form_->btnErrorSend, {0x00}},
        {form_->btnErrorSend, {0x08}},
        {form_->btnGetState, {0x2C, 'D', 0}},
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.button->objectName().toStdString());
        Click(c.button);
        EXPECT_EQ(line.Read(c.sent.size()), c.sent);
    }
    EXPECT_TRUE(line.Drain().empty());

    form_->edtTimeout->setText("1,5");
    const auto box = CloseBoxDuring([&] { Click(form_->btnWriteTimeout); });
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Text, "'1,5' is not a valid integer value.");
    EXPECT_TRUE(line.Drain().empty());
}

TEST_F(SequenceTest, ResetSendsCAndReopensAt9600) {
    PseudoTerminal line;
    MakeWindow();
    form_->cbbSpeed->setCurrentIndex(4);
    StartOn(line);
    EXPECT_EQ(line.SlaveBaud(), 115200u);
    form_->cbbSetSpeed->setCurrentIndex(2);
    Click(form_->btnReset);
    EXPECT_EQ(line.Read(6), (Bytes{0x01, 'C', 0x00, 0x01, 'D', 0x00}));
    EXPECT_TRUE(form_->Comm321()->PortOpen());
    EXPECT_EQ(form_->cbbSpeed->currentIndex(), 0);
    EXPECT_EQ(form_->cbbSetSpeed->currentIndex(), 0);
    EXPECT_EQ(line.SlaveBaud(), 9600u);
}

TEST_F(SequenceTest, SetSpeedSendsHAndReopensAtTheNewSpeed) {
    PseudoTerminal line;
    MakeWindow();
    StartOn(line);
    form_->cbbSetSpeed->setCurrentIndex(3);
    Click(form_->btnSetSpeed);
    EXPECT_EQ(line.Read(6), (Bytes{0x01, 'H', 57, 0x01, 'D', 0x00}));
    EXPECT_TRUE(form_->Comm321()->PortOpen());
    EXPECT_EQ(form_->cbbSpeed->currentText(), "57600");
    EXPECT_EQ(line.SlaveBaud(), 57600u);
}

TEST_F(SequenceTest, ReplyFormatIsFixedWhileOpenAndTakenAtStart) {
    PseudoTerminal line;
    MakeWindow();
    StartOn(line);
    EXPECT_FALSE(form_->chkNEW->isEnabled());
    Click(form_->btnStop);
    ASSERT_TRUE(form_->chkNEW->isEnabled());
    Click(form_->chkNEW);
    EXPECT_FALSE(form_->chkNEW->isChecked());
    EXPECT_FALSE(form_->Protocol.FiveByteReplies);
    StartOn(line);
    Reply(line, {0x01, 0x44, 0x05});
    EXPECT_EQ(form_->txtStatus->text(), "[0] OK - D (запрос статуса)");
    EXPECT_TRUE(form_->rbOutputRed->isChecked());
}

}  // namespace
}  // namespace apptest

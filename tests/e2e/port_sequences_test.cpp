// The sequences that reopen the port (Reset, Set speed, a changed reply format) and a reply
// that reaches the console in two pieces.

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QtTest/QTest>

#include "session.h"

namespace e2e {
namespace {

using PortSequenceTest = Session;

const QString kStatusReply = QStringLiteral("OK - D (запрос статуса)");

// The speed the console set on its end of the line (a pseudo-terminal only records it).
speed_t LineSpeed(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return B0;
    termios tio{};
    const bool ok = ::tcgetattr(fd, &tio) == 0;
    ::close(fd);
    return ok ? ::cfgetospeed(&tio) : B0;
}

// After a reopening the console may first show the reply to the command that preceded it
// (notifications still queued at closing are delivered afterwards), then its status reply.
// A further status request must then be answered in turn.
void ExpectTalking(console::TForm1& form) {
    ASSERT_TRUE(apptest::WaitUntil([&] { return form.txtStatus->text().endsWith(kStatusReply); }))
        << form.txtStatus->text().toStdString();
    EXPECT_TRUE(form.Comm321()->PortOpen());
    const QString next = QStringLiteral("[%1] ").arg(form.Protocol.ReplyCounter) + kStatusReply;
    QTest::mouseClick(form.btnGetState, Qt::LeftButton);
    EXPECT_TRUE(apptest::WaitUntil([&] { return form.txtStatus->text() == next; }))
        << form.txtStatus->text().toStdString();
}

TEST_F(PortSequenceTest, SetSpeedOrdersTheControllerAndReopensAtThatSpeed) {
    StartSimulator();
    OpenWindow();
    StartConsole();
    form_->cbbSetSpeed->setCurrentIndex(3);
    Click(form_->btnSetSpeed);
    ASSERT_TRUE(Saw("<- 01 48 39"));
    ASSERT_TRUE(Saw("-- line speed 57600"));
    ASSERT_TRUE(Saw("<- 01 44 00"));
    EXPECT_EQ(form_->cbbSpeed->currentText(), "57600");
    EXPECT_EQ(LineSpeed(LinkPath()), B57600);
    ExpectTalking(*form_);
}

// The controller's reset takes its line back to 9600 too: only there does it answer again.
TEST_F(PortSequenceTest, ResetReopensAt9600WithBothSpeedListsOnTheFirstRow) {
    StartSimulator({"--baud", "115200"});
    OpenWindow();
    form_->cbbSpeed->setCurrentIndex(4);
    form_->cbbSetSpeed->setCurrentIndex(2);
    StartConsole();
    ASSERT_EQ(LineSpeed(LinkPath()), B115200);
    Click(form_->btnEntryAllowed);
    ASSERT_TRUE(Saw("<- 01 4B 00"));
    ExpectStatus("[1] OK - K (въезд разрешен)", Blue());

    Click(form_->btnReset);
    ASSERT_TRUE(Saw("<- 01 43 00"));
    ASSERT_TRUE(Saw("<- 01 44 00"));
    EXPECT_EQ(form_->cbbSpeed->currentIndex(), 0);
    EXPECT_EQ(form_->cbbSetSpeed->currentIndex(), 0);
    EXPECT_EQ(LineSpeed(LinkPath()), B9600);
    ExpectTalking(*form_);
    // The controller's reset turned both lights off.
    ExpectLights({false, false, false, false});
}

// The format in force is the one the box showed at the last Start.
TEST_F(PortSequenceTest, BothReplyFormatsAreAssembledAndDecoded) {
    StartSimulator({"--format", "3"});
    OpenWindow();
    form_->chkNEW->setChecked(false);
    StartConsole();
    ASSERT_TRUE(Saw("-> 01 44 80"));
    Click(form_->btnTransit);
    ASSERT_TRUE(Saw("-> 01 4F 8A"));
    ExpectStatus("[1] OK - O (транзит (все зеленые))", Blue());
    ExpectLights({false, true, false, true});

    Click(form_->btnStop);
    Control("format 5", "format 5");
    form_->chkNEW->setChecked(true);
    StartConsole();
    ASSERT_TRUE(Saw("-> FF 01 44 8A 03"));
    ExpectLights({false, true, false, true});
}

// Five-byte replies expected, three-byte replies sent: each chunk restarts the assembly.
TEST_F(PortSequenceTest, ThreeByteRepliesAreNotTakenForFiveByteOnes) {
    StartSimulator({"--format", "3"});
    OpenWindow();
    ASSERT_TRUE(form_->chkNEW->isChecked());
    // Each reply is given time to be taken in alone: two in one chunk would make five bytes.
    for (QWidget* control : std::initializer_list<QWidget*>{form_->btnStart, form_->btnGetState}) {
        Click(control);
        ASSERT_TRUE(Saw("-> 01 44 80"));
        QTest::qWait(300);
        EXPECT_TRUE(form_->txtStatus->text().isEmpty()) << form_->txtStatus->text().toStdString();
    }
    EXPECT_EQ(form_->Protocol.ReplyCounter, 0);
}

TEST_F(PortSequenceTest, ReplySplitByAPauseIsStillAssembled) {
    StartSimulator();
    OpenWindow();
    StartConsole();
    Control("split 20", "split 20 ms");
    // Each reply comes as its first byte, a pause, then the rest: two chunks.
    Click(form_->btnMoveForbidden);
    ASSERT_TRUE(Saw("-> FF (split"));
    ASSERT_TRUE(Saw("-> 01 4D 85 03"));
    ExpectStatus("[1] OK - M (движение запрещено (все красные))", Blue());
    Click(form_->btnGetState);
    ASSERT_TRUE(Saw("-> FF (split"));
    ASSERT_TRUE(Saw("-> 01 44 85 03"));
    ExpectStatus("[2] OK - D (запрос статуса)", Blue());
    ExpectLights({true, false, true, false});
}

}  // namespace
}  // namespace e2e

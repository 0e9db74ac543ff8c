// The enabling rule and the operator's sequences: Start, Stop, Reset, Set speed, the status
// request, number validation and the reply format.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <chrono>
#include <thread>

#include "console/number_syntax.h"
#include "console/window/application.h"
#include "console/window/colours.h"
#include "console/window/form1.h"
#include "console/window/port_failure.h"
#include "serial/comm_constants.h"

namespace console {
namespace {

// The sequences pause the window's thread while the controller acts on a command.
void Wait100Ms() {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// Unchecks a light selector even though it belongs to an exclusive pair.
void Uncheck(QRadioButton* selector) {
    selector->setAutoExclusive(false);
    selector->setChecked(false);
    selector->setAutoExclusive(true);
}

}  // namespace

void TForm1::tmr1Timer() {
    const bool open = comm_ && comm_->PortOpen();
    btnStart->setEnabled(!open);
    btnStop->setEnabled(open);
    const bool on = btnStop->isEnabled();
    // clang-format off
    btnWriteNumber->setEnabled(on);
    btnReadNumber->setEnabled(on);
    btnReset->setEnabled(on);
    btnGetState->setEnabled(on);
    cbbCom->setEnabled(!on);
    cbbSpeed->setEnabled(!on);
    grpInputSemaphore->setEnabled(on);  rbInputRed->setEnabled(on);  rbInputGreen->setEnabled(on);
    grpOutputSemaphore->setEnabled(on); rbOutputRed->setEnabled(on); rbOutputGreen->setEnabled(on);
    btnErrorGen->setEnabled(on);
    btnErrorData->setEnabled(on);
    btnErrorSend->setEnabled(on);
    cbbSetSpeed->setEnabled(on);
    btnSetSpeed->setEnabled(on);
    edtTimeout->setEnabled(on);
    btnWriteTimeout->setEnabled(on);
    btnReadTimeout->setEnabled(on);
    btnGetError->setEnabled(on);
    chkNEW->setEnabled(!on);
    btnEntryAllowed->setEnabled(on);
    btnExitAllowed->setEnabled(on);
    btnMoveForbidden->setEnabled(on);
    btnSwitchOff->setEnabled(on);
    btnTransit->setEnabled(on);
    // clang-format on
}

void TForm1::ClearIndicators() {
    Protocol.ReplyFill = 0;
    chkInput1->setChecked(false);
    chkInput2->setChecked(false);
    for (QRadioButton* selector : {rbInputRed, rbInputGreen, rbOutputRed, rbOutputGreen}) {
        Uncheck(selector);
        PaintBackground(selector, Colour::Face);
    }
}

void TForm1::btnStartClick() {
    ClearIndicators();
    if (comm_->PortOpen()) comm_->ClosePort();
    Protocol.ControllerNumber = StrToInt(cbbNumber->currentText().toStdString());
    ClearIndicators();
    Protocol.ReplyCounter = 0;
    Protocol.FiveByteReplies = chkNEW->isChecked();
    comm_->PortName = "//./" + cbbCom->currentText().toStdString();
    // An empty speed list (no row chosen) fails here as a text that is not a number.
    comm_->SetBaudRate(static_cast<uint32_t>(StrToInt(cbbSpeed->currentText().toStdString())));
    try {
        comm_->OpenPort();
    } catch (const serial::ECommsError& failure) {
        throw EExplainedFailure(failure.what(), OpeningFailureCause(comm_->PortName, failure));
    }
    comm_->EscapeFunction(serial::SETRTS);
    tmr1Timer();
    Wait100Ms();
    btnGetStateClick();
}

void TForm1::btnStopClick() {
    comm_->ClosePort();
    txtStatus->clear();
    txtStatus->setToolTip(QString());  // a reply's notes go with its text
    ClearIndicators();
    tmr1Timer();
}

void TForm1::btnResetClick() {
    Protocol.SendSimple('C');
    Wait100Ms();
    btnStopClick();
    cbbSpeed->setCurrentIndex(0);
    cbbSetSpeed->setCurrentIndex(0);
    btnStartClick();
}

void TForm1::btnSetSpeedClick() {
    const int row = cbbSetSpeed->currentIndex();
    Protocol.SendSpeed(row);  // raises when no row is chosen, before anything is sent
    Wait100Ms();
    btnStopClick();
    cbbSpeed->setCurrentIndex(row);
    btnStartClick();
}

void TForm1::btnGetStateClick() {
    ClearIndicators();
    Protocol.SendSimple('D');
}

void TForm1::cbbNumberChange(const QString& text) {
    const int32_t value = StrToIntDef(text.toStdString(), -1);
    if (value < 1) {
        PaintEditBase(cbbNumber, ToQColor(Colour::Red));
        return;
    }
    Protocol.ControllerNumber = value;
    PaintEditBase(cbbNumber, palette().color(QPalette::Base));
}

void TForm1::chkNEWClick() {
    Protocol.FiveByteReplies = chkNEW->isChecked();
}

}  // namespace console

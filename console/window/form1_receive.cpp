// What the port object reports: each received chunk goes to the protocol, and what a
// completed reply shows is applied to the controls here, in one place; a lost line is shown
// on the status line.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextDocument>

#include "console/window/colours.h"
#include "console/window/form1.h"
#include "console/window/port_failure.h"
#include "console/window/texts.h"

namespace console {
namespace {

// Sets both selectors of one light exactly; the pair's exclusivity is lifted meanwhile so
// that both may end clear. Signals are blocked: showing a status is not an operator's click.
void SetLight(QRadioButton* red, QRadioButton* green, bool redOn, bool greenOn) {
    const QSignalBlocker blockRed(red), blockGreen(green);
    red->setAutoExclusive(false);
    green->setAutoExclusive(false);
    red->setChecked(redOn);
    green->setChecked(greenOn);
    red->setAutoExclusive(true);
    green->setAutoExclusive(true);
}

}  // namespace

void TForm1::Comm321ReceiveData(const uint8_t* data, uint16_t length) {
    if (const auto view = Protocol.ReceiveChunk(data, length)) ApplyReply(*view);
}

void TForm1::Comm321CommFailure() {
    // Always the line open now: the port object drops what an earlier opening reported.
    // The port stays open until Stop; what the window showed of the controller is void.
    ClearIndicators();
    const QString lost = QString::fromUtf8(kLineLost);
    const QString cause =
        PortFailureCause(comm_->PortName, comm_->LastFailureError(), serial::FailureStage::Running);
    const QString whole = cause.isEmpty() ? lost : lost + u' ' + cause;
    // The status line holds one line: a reason too long for it is shown as the tooltip.
    const bool fits =
        txtStatus->fontMetrics().horizontalAdvance(whole) <= txtStatus->contentsRect().width();
    txtStatus->setText(fits ? whole : lost);
    txtStatus->setToolTip(fits ? QString() : Qt::convertFromPlainText(cause));
    PaintText(txtStatus, Colour::Red);
}

void TForm1::ShowIndicators(const StatusIndicators& lights) {
    SetLight(rbInputRed, rbInputGreen, lights.InputRed, lights.InputGreen);
    SetLight(rbOutputRed, rbOutputGreen, lights.OutputRed, lights.OutputGreen);
    chkInput1->setChecked(lights.Input1);
    chkInput2->setChecked(lights.Input2);
    chkHasError->setChecked(lights.HasError);
    chkCanGetNext->setChecked(lights.CanGetNext);
    PaintBackground(rbInputRed, lights.InputRedBack);
    PaintBackground(rbInputGreen, lights.InputGreenBack);
    PaintBackground(rbOutputRed, lights.OutputRedBack);
    PaintBackground(rbOutputGreen, lights.OutputGreenBack);
    PaintText(chkHasError, lights.HasErrorText);
}

void TForm1::ApplyReply(const ReplyView& view) {
    if (view.Indicators) ShowIndicators(*view.Indicators);
    if (view.TimeoutText) edtTimeout->setText(QString::fromStdString(*view.TimeoutText));
    if (view.NumberText) cbbNumber->setEditText(QString::fromStdString(*view.NumberText));
    txtStatus->setText(QString::fromStdString(view.StatusText));
    PaintText(txtStatus, view.StatusColour);
    txtStatus->setToolTip(QString::fromStdString(view.StatusToolTip));
}

}  // namespace console

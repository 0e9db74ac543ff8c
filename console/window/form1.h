#pragma once
// The console window Form1: every control of the operator's console, the enabling rule, the
// Start, Stop, Reset and Set speed sequences, and the hand-over of received replies to the
// controller protocol. Everything here runs on the window's thread.

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "console/protocol.h"
#include "console/settings_file.h"
#include "serial/comm32.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;

namespace console {

class BevelPanel;

class TForm1 : public QWidget {
    Q_OBJECT
  public:
    // The settings file defaults to "dravik.ini" beside the executable.
    explicit TForm1(std::filesystem::path settingsFile = SettingsPath());
    ~TForm1() override;  // runs FormDestroy

    // Controls, in the order of the control table.
    QComboBox* cbbCom;
    QComboBox* cbbSpeed;
    QToolButton* btnStart;
    QToolButton* btnStop;
    QCheckBox* chkNEW;
    QTimer* tmr1;
    BevelPanel* pnl1;
    QGroupBox* grpCtrlNumber;
    QComboBox* cbbNumber;
    QPushButton* btnWriteNumber;
    QPushButton* btnReadNumber;
    QGroupBox* grpTimeout;
    QLineEdit* edtTimeout;
    QLabel* lbl1;
    QPushButton* btnWriteTimeout;
    QPushButton* btnReadTimeout;
    QGroupBox* grpSpeed;
    QComboBox* cbbSetSpeed;
    QPushButton* btnSetSpeed;
    QGroupBox* grpInputSemaphore;
    QRadioButton* rbInputRed;
    QRadioButton* rbInputGreen;
    QGroupBox* grpOutputSemaphore;
    QRadioButton* rbOutputRed;
    QRadioButton* rbOutputGreen;
    QGroupBox* grpInputs;
    QCheckBox* chkInput1;
    QCheckBox* chkInput2;
    QCheckBox* chkHasError;
    QCheckBox* chkCanGetNext;
    QPushButton* btnReset;
    QPushButton* btnGetState;
    QGroupBox* grpCommands;
    QPushButton* btnEntryAllowed;
    QPushButton* btnExitAllowed;
    QPushButton* btnMoveForbidden;
    QPushButton* btnSwitchOff;
    QPushButton* btnTransit;
    QPushButton* btnGetError;
    QGroupBox* grpErrors;
    QPushButton* btnErrorGen;
    QPushButton* btnErrorData;
    QPushButton* btnErrorSend;
    QLabel* txtStatus;

    // The console state and the command senders; the port object while the window lives.
    ControllerProtocol Protocol;
    serial::TComm32* Comm321() const { return comm_.get(); }

    // The window's operations, each named after the control and event that runs it.
    void tmr1Timer();
    void btnStartClick();
    void btnStopClick();
    void btnResetClick();
    void btnSetSpeedClick();
    void btnGetStateClick();
    void cbbNumberChange(const QString& text);
    void chkNEWClick();
    void ClearIndicators();
    void Comm321ReceiveData(const uint8_t* data, uint16_t length);
    void Comm321CommFailure();

  signals:
    // Emitted at shutdown after the port object is gone and before the settings are written.
    void SettingsSaving();

  private:
    void BuildControls();
    void SetKeyboardOrder();
    void WireHandlers();
    void FormCreate();
    void FormDestroy();
    void LoadSettings();
    void SaveSettings();
    void SelectorClicked(QRadioButton* selector, uint8_t letter, uint8_t data);
    void ApplyReply(const ReplyView& view);
    void ShowIndicators(const StatusIndicators& lights);

    std::filesystem::path settingsFile_;
    std::unique_ptr<serial::TComm32> comm_;
    QObject* notifier_ = nullptr;             // watches the port object's notification event
    QRadioButton* checkedByClick_ = nullptr;  // the selector an operator's click just checked
    bool destroyed_ = false;
};

}  // namespace console

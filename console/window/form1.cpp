// Form1's life: creation (controls, settings, port object), wiring of every control to its
// operation, and shutdown (port closed and destroyed, then the settings written).

#include "console/window/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include "console/window/application.h"
#include "console/window/bevel_panel.h"
#include "console/window/event_watch.h"
#include "console/window/port_tooltip.h"
#include "console/window/window_font.h"

namespace console {

TForm1::TForm1(std::filesystem::path settingsFile)
    : Protocol([this](const uint8_t* data, uint16_t length) {
          return comm_ && comm_->QueueWrite(data, length);
      }),
      settingsFile_(std::move(settingsFile)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Эмулятор весов"));
    const QFont font = WindowFont();
    setFont(font);
    QPalette face = palette();
    face.setBrush(QPalette::Window, face.button());
    setPalette(face);
    setAutoFillBackground(true);
    resize(594, 496);
    move(389, 227);

    {
        // An editable list's line edit lays its text out in the application's font before it
        // takes the window's: while the controls are made, that font is the window's, so the
        // desktop's default font is not opened as well (a second face mapped and cached).
        struct FontWhileBuilding {
            QFont desktop = QApplication::font();
            explicit FontWhileBuilding(const QFont& window) { QApplication::setFont(window); }
            ~FontWhileBuilding() { QApplication::setFont(desktop); }
        } fontWhileBuilding(font);
        BuildControls();
    }
    SetKeyboardOrder();
    FormCreate();
    WireHandlers();
    cbbCom->setFocus();
}

TForm1::~TForm1() {
    tmr1->stop();
    CatchFailures([this] { FormDestroy(); });
}

void TForm1::FormCreate() {
    for (const SpeedRow& row : SpeedTable) {
        cbbSpeed->addItem(QString::number(row.Baud));
    }
    for (const SpeedRow& row : SpeedTable) {
        cbbSetSpeed->addItem(QString::number(row.Baud));
    }
    // The reply-format box's handler runs when loading changes its state.
    connect(chkNEW, &QCheckBox::toggled, this,
            [this] { CatchFailures([this] { chkNEWClick(); }); });
    LoadSettings();

    comm_ = std::make_unique<serial::TComm32>();
    comm_->SetFlowControl(0);
    comm_->SetEventChar(0);
    comm_->OnReceiveData = [this](const uint8_t* data, uint16_t length) {
        Comm321ReceiveData(data, length);
    };
    comm_->OnCommFailure = [this](serial::TComm32&) { Comm321CommFailure(); };
    // The port object reports on this thread: its event is set while notifications wait.
    notifier_ = WatchEvent(comm_->NotificationEvent(), this,
                           [this] { CatchFailures([this] { comm_->ProcessNotifications(); }); });
}

void TForm1::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    delete notifier_;
    notifier_ = nullptr;
    if (comm_) comm_->ClosePort();
    comm_.reset();
    emit SettingsSaving();
    SaveSettings();
}

void TForm1::LoadSettings() {
    const Settings settings = ReadSettings(settingsFile_);
    cbbCom->setEditText(QString::fromStdString(settings.Port));
    const bool known = settings.Speed >= 0 && settings.Speed < static_cast<int>(SpeedTable.size());
    cbbSpeed->setCurrentIndex(known ? settings.Speed : -1);
    cbbSetSpeed->setCurrentIndex(cbbSpeed->currentIndex());
    chkNEW->setChecked(settings.FiveByte);
}

void TForm1::SaveSettings() {
    Settings settings;
    settings.Port = cbbCom->currentText().toStdString();
    settings.Speed = cbbSpeed->currentIndex();
    settings.FiveByte = chkNEW->isChecked();
    WriteSettings(settingsFile_, settings);
}

void TForm1::WireHandlers() {
    // Every handler runs through CatchFailures: a failure ends it and shows the error box.
    const auto on = [this](auto* control, auto signal, auto handler) {
        connect(control, signal, this, [handler] { CatchFailures(handler); });
    };
    on(tmr1, &QTimer::timeout, [this] { tmr1Timer(); });
    on(btnStart, &QToolButton::clicked, [this] { btnStartClick(); });
    on(btnStop, &QToolButton::clicked, [this] { btnStopClick(); });
    on(btnReset, &QPushButton::clicked, [this] { btnResetClick(); });
    on(btnSetSpeed, &QPushButton::clicked, [this] { btnSetSpeedClick(); });
    on(btnGetState, &QPushButton::clicked, [this] { btnGetStateClick(); });
    on(btnWriteNumber, &QPushButton::clicked,
       [this] { Protocol.SendWriteNumber(cbbNumber->currentText().toStdString()); });
    on(btnReadNumber, &QPushButton::clicked, [this] { Protocol.SendReadNumber(); });
    on(btnWriteTimeout, &QPushButton::clicked,
       [this] { Protocol.SendWriteTimeout(edtTimeout->text().toStdString()); });
    on(btnReadTimeout, &QPushButton::clicked, [this] { Protocol.SendSimple('G'); });
    on(btnEntryAllowed, &QPushButton::clicked, [this] { Protocol.SendSimple('K'); });
    on(btnExitAllowed, &QPushButton::clicked, [this] { Protocol.SendSimple('L'); });
    on(btnMoveForbidden, &QPushButton::clicked, [this] { Protocol.SendSimple('M'); });
    on(btnSwitchOff, &QPushButton::clicked, [this] { Protocol.SendSimple('N'); });
    on(btnTransit, &QPushButton::clicked, [this] { Protocol.SendSimple('O'); });
    on(btnGetError, &QPushButton::clicked, [this] { Protocol.SendSimple('E'); });
    on(btnErrorGen, &QPushButton::clicked, [this] { Protocol.SendSimple('P'); });
    on(btnErrorData, &QPushButton::clicked, [this] { Protocol.SendErrorData(); });
    on(btnErrorSend, &QPushButton::clicked, [this] { Protocol.SendErrorByte(); });
    WatchPortToolTip(cbbCom);

    const struct {
        QRadioButton* selector;
        uint8_t letter, data;
    } selectors[] = {{rbInputRed, 'A', 1},
                     {rbInputGreen, 'A', 2},
                     {rbOutputRed, 'B', 1},
                     {rbOutputGreen, 'B', 2}};
    for (const auto& s : selectors) {
        // A click sends only when it has just checked the selector: the toolkit reports a
        // click on the already checked one too, and a status shown by the program checks
        // selectors without a click (and with this signal blocked).
        connect(s.selector, &QRadioButton::toggled, this, [this, sel = s.selector](bool on) {
            if (on) checkedByClick_ = sel;
        });
        on(s.selector, &QRadioButton::clicked,
           [this, s] { SelectorClicked(s.selector, s.letter, s.data); });
    }
    connect(cbbNumber, &QComboBox::editTextChanged, this, [this](const QString& text) {
        CatchFailures([this, &text] { cbbNumberChange(text); });
    });
}

void TForm1::SelectorClicked(QRadioButton* selector, uint8_t letter, uint8_t data) {
    const bool justChecked = checkedByClick_ == selector;
    checkedByClick_ = nullptr;
    if (justChecked) Protocol.SendLight(letter, data);
}

}  // namespace console

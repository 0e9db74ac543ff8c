// The controls of Form1, built as the control table lists them: name, parent, left, top,
// width, height, caption or items, initial state.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include "console/window/anchors.h"
#include "console/window/bevel_panel.h"
#include "console/window/bordered_text.h"
#include "console/window/button_images.h"
#include "console/window/colours.h"
#include "console/window/form1.h"

namespace console {
namespace {

template <class Control>
Control* Place(Control* control, const char* name, int left, int top, int width, int height) {
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(left, top, width, height);
    return control;
}

QPushButton* Button(QWidget* parent, const char* name, int l, int t, int w, int h,
                    const char* caption) {
    return Place(new QPushButton(QString::fromUtf8(caption), parent), name, l, t, w, h);
}

QToolButton* ImageButton(QWidget* parent, const char* name, int l, int t, int w, int h,
                         ButtonFigure figure) {
    auto* button = Place(new QToolButton(parent), name, l, t, w, h);
    button->setIcon(ButtonIcon(figure));
    button->setIconSize(QSize(16, 16));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

enum ListKind { Editable, SelectionOnly };

QComboBox* List(QWidget* parent, const char* name, int l, int t, int w, int h, ListKind kind,
                const QStringList& items = {}) {
    auto* list = Place(new QComboBox(parent), name, l, t, w, h);
    list->setEditable(kind == Editable);
    if (kind == Editable) {
        // The text stays as typed: no completion, and typed texts do not become items.
        list->setInsertPolicy(QComboBox::NoInsert);
        list->setCompleter(nullptr);
    }
    list->addItems(items);
    return list;
}

QCheckBox* Check(QWidget* parent, const char* name, int l, int t, int w, int h, const char* caption,
                 bool checked) {
    auto* box = Place(new QCheckBox(QString::fromUtf8(caption), parent), name, l, t, w, h);
    box->setChecked(checked);
    return box;
}

QRadioButton* Radio(QWidget* parent, const char* name, int l, int t, int w, int h,
                    const char* caption) {
    auto* radio = Place(new QRadioButton(QString::fromUtf8(caption), parent), name, l, t, w, h);
    PaintBackground(radio, Colour::Face);
    return radio;
}

QGroupBox* Group(QWidget* parent, const char* name, int l, int t, int w, int h,
                 const char* caption) {
    return Place(new QGroupBox(QString::fromUtf8(caption), parent), name, l, t, w, h);
}

QLabel* Label(QWidget* parent, const char* name, int l, int t, int w, int h, const char* caption) {
    return Place(new QLabel(QString::fromUtf8(caption), parent), name, l, t, w, h);
}

QLabel* StaticText(QWidget* parent, const char* name, int l, int t, int w, int h) {
    return Place(new BorderedText(parent), name, l, t, w, h);
}

QStringList PortItems() {
    QStringList items;
    for (int n = 1; n <= 17; ++n) items << QStringLiteral("COM%1").arg(n);
    items << QString();
    return items;
}

}  // namespace

void TForm1::BuildControls() {
    QWidget* Form1 = this;
    // clang-format off
    //             parent                 name                  left  top  width height caption, items, state
    cbbCom       = List       (Form1,     "cbbCom",               12,   8,   89,  21, Editable, PortItems());
    cbbSpeed     = List       (Form1,     "cbbSpeed",            112,   8,  101,  21, SelectionOnly);
    btnStart     = ImageButton(Form1,     "btnStart",            228,   8,   23,  22, ButtonFigure::Start);
    btnStop      = ImageButton(Form1,     "btnStop",             260,   8,   23,  22, ButtonFigure::Stop);
    chkNEW       = Check      (Form1,     "chkNEW",              324,   8,  261,  17, "Команды контроллера по 5 байт (FF .. .. .. 03)", true);
    pnl1         = Place(new BevelPanel(Form1), "pnl1",           12,  40,  569, 444);
    grpCtrlNumber   = Group   (pnl1,          "grpCtrlNumber",    12,   8,  297,  61, "Номер контроллера");
    cbbNumber       = List    (grpCtrlNumber, "cbbNumber",        12,  24,   69,  21, Editable, {"1", "2", "3"});
    btnWriteNumber  = Button  (grpCtrlNumber, "btnWriteNumber",   98,  24,   87,  25, "Записать (I)");
    btnReadNumber   = Button  (grpCtrlNumber, "btnReadNumber",   194,  24,   87,  25, "Прочитать (J)");
    grpTimeout      = Group   (pnl1,          "grpTimeout",       12,  72,  297,  61, "Таймаут");
    edtTimeout      = Place(new QLineEdit(grpTimeout), "edtTimeout", 12, 24, 57,  21);
    lbl1            = Label   (grpTimeout,    "lbl1",             72,  28,   14,  13, "мс");
    btnWriteTimeout = Button  (grpTimeout,    "btnWriteTimeout",  98,  20,   87,  25, "Записать (F)");
    btnReadTimeout  = Button  (grpTimeout,    "btnReadTimeout",  194,  20,   87,  25, "Прочитать (G)");
    grpSpeed        = Group   (pnl1,          "grpSpeed",         12, 136,  297,  61, "Скорость");
    cbbSetSpeed     = List    (grpSpeed,      "cbbSetSpeed",      12,  24,  157,  21, SelectionOnly);
    btnSetSpeed     = Button  (grpSpeed,      "btnSetSpeed",     194,  20,   87,  25, "Записать (H)");
    grpInputSemaphore  = Group(pnl1,               "grpInputSemaphore",  12, 204, 145, 85, "Входной светофор");
    rbInputRed         = Radio(grpInputSemaphore,  "rbInputRed",          8,  24,  97, 17, "Красный (A_1)");
    rbInputGreen       = Radio(grpInputSemaphore,  "rbInputGreen",        8,  48, 101, 17, "Зеленый (A_2)");
    grpOutputSemaphore = Group(pnl1,               "grpOutputSemaphore", 164, 204, 145, 85, "Выходной светофор");
    rbOutputRed        = Radio(grpOutputSemaphore, "rbOutputRed",         8,  24, 101, 17, "Красный (B_1)");
    rbOutputGreen      = Radio(grpOutputSemaphore, "rbOutputGreen",       8,  48, 101, 17, "Зеленый (B_2)");
    grpInputs       = Group   (pnl1,          "grpInputs",        12, 292,  297, 117, "Другие биты состояния");
    chkInput1       = Check   (grpInputs,     "chkInput1",         8,  20,   97,  17, "Вход 1", false);
    chkInput2       = Check   (grpInputs,     "chkInput2",       156,  20,   97,  17, "Вход 2", false);
    chkHasError     = Check   (grpInputs,     "chkHasError",       8,  44,  141,  17, "Наличие ошибки", false);
    chkCanGetNext   = Check   (grpInputs,     "chkCanGetNext",     8,  68,  269,  17, "Готовность принять следующую команду", false);
    btnReset        = Button  (pnl1,          "btnReset",        324,  16,   75,  25, "Сброс (C)");
    btnGetState     = Button  (pnl1,          "btnGetState",     420,  16,  137,  25, "Запрос состояния (D)");
    grpCommands     = Group   (pnl1,          "grpCommands",     324,  52,  233, 225, "Другие команды");
    btnEntryAllowed = Button  (grpCommands,   "btnEntryAllowed",  16,  24,  201,  25, "Въезд разрешен (K) - з1, к2");
    btnExitAllowed  = Button  (grpCommands,   "btnExitAllowed",   16,  56,  201,  25, "Выезд разрешен (L) - к1,з2");
    btnMoveForbidden= Button  (grpCommands,   "btnMoveForbidden", 16,  88,  201,  25, "Движение запрещено (M) - к1,к2");
    btnSwitchOff    = Button  (grpCommands,   "btnSwitchOff",     16, 120,  201,  25, "Выключено (N)");
    btnTransit      = Button  (grpCommands,   "btnTransit",       16, 152,  201,  25, "Транзит (O) - з1,з2");
    btnGetError     = Button  (grpCommands,   "btnGetError",      16, 184,  201,  25, "Прочитать код ошибки (E)");
    grpErrors       = Group   (pnl1,          "grpErrors",       324, 284,  233, 125, "Провоцирование ошибок");
    btnErrorGen     = Button  (grpErrors,     "btnErrorGen",      16,  24,  201,  25, "Несуществующая команда (P)");
    btnErrorData    = Button  (grpErrors,     "btnErrorData",     16,  56,  201,  25, "Неверные данные (H + 1)");
    btnErrorSend    = Button  (grpErrors,     "btnErrorSend",     16,  88,  201,  25, "Неверная длина (послать 1 байт)");
    txtStatus       = StaticText(pnl1,        "txtStatus",        12, 417,  545,  17);
    // clang-format on

    btnStop->setEnabled(false);
    grpInputs->setEnabled(false);  // its check boxes are indicators only

    EdgeAnchor::Attach(pnl1, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
    EdgeAnchor::Attach(txtStatus, Qt::LeftEdge | Qt::RightEdge | Qt::BottomEdge);

    tmr1 = new QTimer(Form1);
    tmr1->setObjectName(QStringLiteral("tmr1"));
    tmr1->setInterval(200);
    tmr1->start();
}

// The focus order, container by container; the image buttons take no focus.
void TForm1::SetKeyboardOrder() {
    QWidget* const order[] = {
        cbbCom,          cbbSpeed,       chkNEW,                           // Form1
        cbbNumber,       btnWriteNumber, btnReadNumber,                    // grpCtrlNumber
        btnReset,        btnGetState,                                      // pnl1
        btnEntryAllowed, btnExitAllowed, btnMoveForbidden, btnSwitchOff,   // grpCommands
        btnTransit,      btnGetError,                                      //
        btnWriteTimeout, btnReadTimeout, edtTimeout,                       // grpTimeout
        btnSetSpeed,     cbbSetSpeed,                                      // grpSpeed
        rbInputRed,      rbInputGreen,                                     // grpInputSemaphore
        rbOutputRed,     rbOutputGreen,                                    // grpOutputSemaphore
        btnErrorGen,     btnErrorData,   btnErrorSend,                     // grpErrors
        chkInput1,       chkInput2,      chkHasError,      chkCanGetNext,  // grpInputs
    };
    for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace console

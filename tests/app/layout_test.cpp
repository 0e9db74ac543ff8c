// The window as built: every control's name, kind, parent, place, size and caption; the
// font and that no caption is clipped; anchoring; keyboard order; the button pictures.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOption>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include "console/window/bevel_panel.h"
#include "console/window/button_images.h"
#include "console/window/window_font.h"
#include "window_fixture.h"

namespace apptest {
namespace {

struct ControlRow {
    const char* name;
    const char* kind;  // Qt class
    const char* parent;
    QRect geometry;
    const char* caption;
};

// clang-format off
const ControlRow kControls[] = {
    {"cbbCom",             "QComboBox",    "Form1",              {12, 8, 89, 21},    ""},
    {"cbbSpeed",           "QComboBox",    "Form1",              {112, 8, 101, 21},  ""},
    {"btnStart",           "QToolButton",  "Form1",              {228, 8, 23, 22},   ""},
    {"btnStop",            "QToolButton",  "Form1",              {260, 8, 23, 22},   ""},
    {"chkNEW",             "QCheckBox",    "Form1",              {324, 8, 261, 17},  "Команды контроллера по 5 байт (FF .. .. .. 03)"},
    {"pnl1",               "console::BevelPanel", "Form1",       {12, 40, 569, 444}, ""},
    {"grpCtrlNumber",      "QGroupBox",    "pnl1",               {12, 8, 297, 61},   "Номер контроллера"},
    {"cbbNumber",          "QComboBox",    "grpCtrlNumber",      {12, 24, 69, 21},   ""},
    {"btnWriteNumber",     "QPushButton",  "grpCtrlNumber",      {98, 24, 87, 25},   "Записать (I)"},
    {"btnReadNumber",      "QPushButton",  "grpCtrlNumber",      {194, 24, 87, 25},  "Прочитать (J)"},
    {"grpTimeout",         "QGroupBox",    "pnl1",               {12, 72, 297, 61},  "Таймаут"},
    {"edtTimeout",         "QLineEdit",    "grpTimeout",         {12, 24, 57, 21},   ""},
    {"lbl1",               "QLabel",       "grpTimeout",         {72, 28, 14, 13},   "мс"},
    {"btnWriteTimeout",    "QPushButton",  "grpTimeout",         {98, 20, 87, 25},   "Записать (F)"},
    {"btnReadTimeout",     "QPushButton",  "grpTimeout",         {194, 20, 87, 25},  "Прочитать (G)"},
    {"grpSpeed",           "QGroupBox",    "pnl1",               {12, 136, 297, 61}, "Скорость"},
    {"cbbSetSpeed",        "QComboBox",    "grpSpeed",           {12, 24, 157, 21},  ""},
    {"btnSetSpeed",        "QPushButton",  "grpSpeed",           {194, 20, 87, 25},  "Записать (H)"},
    {"grpInputSemaphore",  "QGroupBox",    "pnl1",               {12, 204, 145, 85}, "Входной светофор"},
    {"rbInputRed",         "QRadioButton", "grpInputSemaphore",  {8, 24, 97, 17},    "Красный (A_1)"},
    {"rbInputGreen",       "QRadioButton", "grpInputSemaphore",  {8, 48, 101, 17},   "Зеленый (A_2)"},
    {"grpOutputSemaphore", "QGroupBox",    "pnl1",               {164, 204, 145, 85},"Выходной светофор"},
    {"rbOutputRed",        "QRadioButton", "grpOutputSemaphore", {8, 24, 101, 17},   "Красный (B_1)"},
    {"rbOutputGreen",      "QRadioButton", "grpOutputSemaphore", {8, 48, 101, 17},   "Зеленый (B_2)"},
    {"grpInputs",          "QGroupBox",    "pnl1",               {12, 292, 297, 117},"Другие биты состояния"},
    {"chkInput1",          "QCheckBox",    "grpInputs",          {8, 20, 97, 17},    "Вход 1"},
    {"chkInput2",          "QCheckBox",    "grpInputs",          {156, 20, 97, 17},  "Вход 2"},
    {"chkHasError",        "QCheckBox",    "grpInputs",          {8, 44, 141, 17},   "Наличие ошибки"},
    {"chkCanGetNext",      "QCheckBox",    "grpInputs",          {8, 68, 269, 17},   "Готовность принять следующую команду"},
    {"btnReset",           "QPushButton",  "pnl1",               {324, 16, 75, 25},  "Сброс (C)"},
    {"btnGetState",        "QPushButton",  "pnl1",               {420, 16, 137, 25}, "Запрос состояния (D)"},
    {"grpCommands",        "QGroupBox",    "pnl1",               {324, 52, 233, 225},"Другие команды"},
    {"btnEntryAllowed",    "QPushButton",  "grpCommands",        {16, 24, 201, 25},  "Въезд разрешен (K) - з1, к2"},
    {"btnExitAllowed",     "QPushButton",  "grpCommands",        {16, 56, 201, 25},  "Выезд разрешен (L) - к1,з2"},
    {"btnMoveForbidden",   "QPushButton",  "grpCommands",        {16, 88, 201, 25},  "Движение запрещено (M) - к1,к2"},
    {"btnSwitchOff",       "QPushButton",  "grpCommands",        {16, 120, 201, 25}, "Выключено (N)"},
    {"btnTransit",         "QPushButton",  "grpCommands",        {16, 152, 201, 25}, "Транзит (O) - з1,з2"},
    {"btnGetError",        "QPushButton",  "grpCommands",        {16, 184, 201, 25}, "Прочитать код ошибки (E)"},
    {"grpErrors",          "QGroupBox",    "pnl1",               {324, 284, 233, 125},"Провоцирование ошибок"},
    {"btnErrorGen",        "QPushButton",  "grpErrors",          {16, 24, 201, 25},  "Несуществующая команда (P)"},
    {"btnErrorData",       "QPushButton",  "grpErrors",          {16, 56, 201, 25},  "Неверные данные (H + 1)"},
    {"btnErrorSend",       "QPushButton",  "grpErrors",          {16, 88, 201, 25},  "Неверная длина (послать 1 байт)"},
    {"txtStatus",          "console::BorderedText", "pnl1",      {12, 417, 545, 17}, ""},
};
// clang-format on

QString Caption(const QWidget* control) {
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
    if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
    return {};
}

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

using LayoutTest = WindowTest;

TEST_F(LayoutTest, EveryControlIsWhereTheTableSays) {
    MakeWindow();
    EXPECT_EQ(form_->objectName(), "Form1");
    EXPECT_EQ(form_->windowTitle(), "Эмулятор весов");
    EXPECT_EQ(form_->size(), QSize(594, 496));
    EXPECT_EQ(form_->pos(), QPoint(389, 227));
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        auto* control = form_->findChild<QWidget*>(QString::fromLatin1(row.name));
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), row.kind);
        EXPECT_EQ(control->parentWidget()->objectName(), QString::fromLatin1(row.parent));
        EXPECT_EQ(control->geometry(), row.geometry);
        EXPECT_EQ(Caption(control), QString::fromUtf8(row.caption));
        const QFontInfo font(control->font());
        // The window's font, or where the system cannot give it, one that stands in for it.
        EXPECT_TRUE(console::WindowFont().families().contains(font.family()))
            << font.family().toStdString();
        EXPECT_EQ(font.pixelSize(), 11);
    }
    EXPECT_EQ(form_->tmr1->interval(), 200);
    EXPECT_TRUE(form_->tmr1->isActive());
}

TEST_F(LayoutTest, InitialStatesWithoutSettingsFile) {
    MakeWindow();
    QStringList ports;
    for (int n = 1; n <= 17; ++n) ports << QStringLiteral("COM%1").arg(n);
    ports << QString();
    const QStringList speeds{"9600", "19200", "38400", "57600", "115200"};
    EXPECT_EQ(Items(form_->cbbCom), ports);
    EXPECT_TRUE(form_->cbbCom->isEditable());
    EXPECT_EQ(form_->cbbCom->currentText(), "COM4");
    EXPECT_EQ(Items(form_->cbbSpeed), speeds);
    EXPECT_EQ(Items(form_->cbbSetSpeed), speeds);
    EXPECT_FALSE(form_->cbbSpeed->isEditable());
    EXPECT_FALSE(form_->cbbSetSpeed->isEditable());
    EXPECT_EQ(form_->cbbSpeed->currentIndex(), 0);
    EXPECT_EQ(form_->cbbSetSpeed->currentIndex(), 0);
    EXPECT_EQ(Items(form_->cbbNumber), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(form_->cbbNumber->currentIndex(), 0);
    EXPECT_EQ(form_->cbbNumber->currentText(), "1");
    EXPECT_TRUE(form_->chkNEW->isChecked());
    for (QAbstractButton* indicator : std::initializer_list<QAbstractButton*>{
             form_->rbInputRed, form_->rbInputGreen, form_->rbOutputRed, form_->rbOutputGreen,
             form_->chkInput1, form_->chkInput2, form_->chkHasError, form_->chkCanGetNext})
        EXPECT_FALSE(indicator->isChecked()) << indicator->objectName().toStdString();
    EXPECT_TRUE(form_->edtTimeout->text().isEmpty());
    EXPECT_TRUE(form_->txtStatus->text().isEmpty());
    EXPECT_FALSE(form_->Comm321()->PortOpen());
}

// Each caption and list text fits the room the style leaves for it inside its control.
TEST_F(LayoutTest, NoCaptionIsClipped) {
    MakeWindow();
    for (QWidget* control : form_->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || !control->isVisible()) continue;
        SCOPED_TRACE(name.toStdString());
        const QFontMetrics fm(control->font());
        QStyle* style = control->style();
        QRect room;
        QStringList texts;
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            QStyleOptionButton opt;
            opt.initFrom(button);
            opt.text = button->text();
            const auto element = qobject_cast<QCheckBox*>(control) ? QStyle::SE_CheckBoxContents
                                 : qobject_cast<QRadioButton*>(control)
                                     ? QStyle::SE_RadioButtonContents
                                     : QStyle::SE_PushButtonContents;
            room = style->subElementRect(element, &opt, button);
            texts << button->text();
        } else if (auto* list = qobject_cast<QComboBox*>(control)) {
            QStyleOptionComboBox opt;
            opt.initFrom(list);
            opt.editable = list->isEditable();
            room = style->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField,
                                         list);
            if (list->isEditable()) room.adjust(2, 0, -2, 0);  // the edit's own text margins
            texts = Items(list);
        } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
            QStyleOptionGroupBox opt;
            opt.initFrom(group);
            opt.text = group->title();
            opt.subControls = QStyle::SC_GroupBoxLabel;
            const QRect label =
                style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, group);
            EXPECT_LE(label.right(), group->width() - 1);
            room = label;
            texts << group->title();
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            room = label->contentsRect();
            texts << label->text();
        } else {
            continue;
        }
        for (const QString& text : texts) {
            EXPECT_LE(fm.horizontalAdvance(text), room.width()) << text.toStdString();
            EXPECT_LE(fm.height(), room.height()) << text.toStdString();
        }
    }
}

TEST_F(LayoutTest, PanelAndStatusLineFollowTheWindowEdges) {
    MakeWindow();
    const QRect resetBefore = form_->btnReset->geometry();
    form_->resize(700, 600);
    EXPECT_EQ(form_->pnl1->geometry(), QRect(12, 40, 700 - 12 - 13, 600 - 40 - 12));
    EXPECT_EQ(form_->txtStatus->geometry(),
              QRect(12, form_->pnl1->height() - 10 - 17, form_->pnl1->width() - 24, 17));
    EXPECT_EQ(form_->btnReset->geometry(), resetBefore);
    EXPECT_EQ(form_->cbbCom->geometry(), QRect(12, 8, 89, 21));
    form_->resize(594, 496);
    EXPECT_EQ(form_->pnl1->geometry(), QRect(12, 40, 569, 444));
    EXPECT_EQ(form_->txtStatus->geometry(), QRect(12, 417, 545, 17));
}

TEST_F(LayoutTest, KeyboardOrderAndFirstFocus) {
    MakeWindow();
    QApplication::setActiveWindow(form_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    EXPECT_EQ(QApplication::focusWidget(), form_->cbbCom);

    const QStringList expected{
        "cbbCom",           "cbbSpeed",     "chkNEW",        "cbbNumber",       "btnWriteNumber",
        "btnReadNumber",    "btnReset",     "btnGetState",   "btnEntryAllowed", "btnExitAllowed",
        "btnMoveForbidden", "btnSwitchOff", "btnTransit",    "btnGetError",     "btnWriteTimeout",
        "btnReadTimeout",   "edtTimeout",   "btnSetSpeed",   "cbbSetSpeed",     "rbInputRed",
        "rbInputGreen",     "rbOutputRed",  "rbOutputGreen", "btnErrorGen",     "btnErrorData",
        "btnErrorSend",     "chkInput1",    "chkInput2",     "chkHasError",     "chkCanGetNext"};
    QStringList chain;
    QWidget* w = form_->cbbCom;
    do {
        if (w->focusPolicy() & Qt::TabFocus && !w->objectName().isEmpty()) chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != form_->cbbCom);
    EXPECT_EQ(chain, expected);
    EXPECT_EQ(form_->btnStart->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(form_->btnStop->focusPolicy(), Qt::NoFocus);
}

TEST(ButtonImages, FrameFigureAndDisabledVariant) {
    using console::ButtonFigure;
    const QRgb transparent = qRgba(0, 0, 0, 0);
    const QRgb aqua = qRgb(0, 255, 255), black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    const QRgb grey = qRgb(127, 127, 127);
    struct Pixel {
        ButtonFigure figure;
        bool enabled;
        int x, y;
        QRgb colour;
    };
    const Pixel pixels[] = {
        {ButtonFigure::Start, true, 0, 15, transparent},  // olive corner
        {ButtonFigure::Start, true, 15, 0, transparent},
        {ButtonFigure::Start, true, 0, 0, aqua},
        {ButtonFigure::Start, true, 14, 14, aqua},
        {ButtonFigure::Start, true, 1, 1, black},
        {ButtonFigure::Start, true, 3, 2, white},
        {ButtonFigure::Start, true, 12, 5, grey},
        {ButtonFigure::Start, true, 4, 4, transparent},  // interior
        {ButtonFigure::Start, true, 6, 4, black},        // triangle: 7 tall...
        {ButtonFigure::Start, true, 6, 10, black},
        {ButtonFigure::Start, true, 6, 3, transparent},
        {ButtonFigure::Start, true, 6, 11, transparent},
        {ButtonFigure::Start, true, 9, 7, black},  // ...4 deep, pointing right
        {ButtonFigure::Start, true, 10, 7, transparent},
        {ButtonFigure::Start, true, 7, 4, transparent},
        {ButtonFigure::Stop, true, 5, 5, black},  // 5 x 5 square in the middle
        {ButtonFigure::Stop, true, 9, 9, black},
        {ButtonFigure::Stop, true, 4, 7, transparent},
        {ButtonFigure::Stop, true, 10, 7, transparent},
        {ButtonFigure::Stop, false, 0, 0, transparent},  // disabled: no aqua line
        {ButtonFigure::Stop, false, 1, 1, grey},
        {ButtonFigure::Stop, false, 5, 5, grey},
        {ButtonFigure::Stop, false, 10, 10, white},  // the shadow, lower right
        {ButtonFigure::Stop, false, 14, 14, white},
        {ButtonFigure::Start, false, 6, 7, grey},
        {ButtonFigure::Start, false, 7, 11, white},
    };
    for (const Pixel& p : pixels) {
        const QImage image = console::ButtonImage(p.figure, p.enabled);
        ASSERT_EQ(image.size(), QSize(16, 16));
        EXPECT_EQ(image.pixel(p.x, p.y), p.colour)
            << (p.figure == ButtonFigure::Start ? "start" : "stop")
            << (p.enabled ? "" : " disabled") << " at " << p.x << "," << p.y;
    }
}

}  // namespace
}  // namespace apptest

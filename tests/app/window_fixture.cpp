#include "window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include "console/window/application.h"

namespace apptest {
namespace {

// The box's text as the operator reads it: markup, where the box takes it as such, rendered.
QString ShownText(const QMessageBox& box) {
    const bool markup = box.textFormat() == Qt::RichText ||
                        (box.textFormat() == Qt::AutoText && Qt::mightBeRichText(box.text()));
    if (!markup) return box.text();
    QTextDocument rendered;
    rendered.setHtml(box.text());
    return rendered.toPlainText();
}

}  // namespace

std::optional<SeenBox> CloseBoxDuring(const std::function<void()>& action) {
    std::optional<SeenBox> seen;
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || seen) return;
        seen = SeenBox{box->windowTitle(), ShownText(*box), box->icon(), box->standardButtons()};
        box->button(QMessageBox::Ok)->click();
    });
    watcher.start();
    action();
    return seen;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(5);
    }
    return true;
}

void WindowTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
}

void WindowTest::TearDown() {
    if (form_) DestroyWindow();
}

std::filesystem::path WindowTest::SettingsFile() const {
    return dir_.filePath(QStringLiteral("dravik.ini")).toStdString();
}

void WindowTest::MakeWindow() {
    form_ = std::make_unique<console::TForm1>(SettingsFile());
    form_->show();
}

void WindowTest::DestroyWindow() {
    form_->close();
    form_.reset();
}

void WindowTest::PointAt(const PseudoTerminal& line) {
    form_->cbbCom->setEditText(QString::fromStdString(line.Path()));
}

void WindowTest::Click(QWidget* control) {
    QTest::mouseClick(control, Qt::LeftButton);
}

void WindowTest::ExpectStartFails(const std::string& device, const std::string& cause) {
    SCOPED_TRACE(device);
    form_->cbbCom->setEditText(QString::fromStdString(device));
    const auto box = CloseBoxDuring([&] { Click(form_->btnStart); });
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Text, QString::fromStdString("Невозможно открыть порт.\n" + cause));
    EXPECT_EQ(box->Title, console::TApplication::Title());
    EXPECT_FALSE(form_->Comm321()->PortOpen());
    form_->tmr1Timer();
    EXPECT_TRUE(form_->btnStart->isEnabled());
    EXPECT_FALSE(form_->btnGetState->isEnabled());
}

void WindowTest::StartOn(PseudoTerminal& line) {
    PointAt(line);
    Click(form_->btnStart);
    ASSERT_TRUE(form_->Comm321()->PortOpen());
    const auto frame = line.Read(3);
    ASSERT_EQ(frame.size(), 3u);
    ASSERT_EQ(frame[1], 'D');
}

void WindowTest::Reply(PseudoTerminal& line, const std::vector<uint8_t>& bytes) {
    form_->txtStatus->clear();
    ASSERT_TRUE(line.Write(bytes));
    ASSERT_TRUE(WaitUntil([&] { return !form_->txtStatus->text().isEmpty(); }));
}

}  // namespace apptest

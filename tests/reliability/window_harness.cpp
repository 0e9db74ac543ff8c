#include "window_harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>

namespace reliability {

bool RunUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeout.count()) return false;
        // The real event loop for a few milliseconds: it sleeps until something happens.
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void RunFor(std::chrono::milliseconds time) {
    RunUntil([] { return false; }, time);
}

std::vector<QString> ClosingErrorBoxes(const std::function<void()>& action) {
    std::vector<QString> seen;
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen.push_back(box->text());
        box->button(QMessageBox::Ok)->click();
    });
    watcher.start();
    action();
    return seen;
}

Window::Window(const std::filesystem::path& settingsFile) {
    Make(settingsFile);
}

Window::Window() {
    Make(dir_.filePath(QStringLiteral("dravik.ini")).toStdString());
}

Window::~Window() {
    Destroy();
}

void Window::Make(const std::filesystem::path& settingsFile) {
    form_ = std::make_unique<console::TForm1>(settingsFile);
    // Counts what reaches the window, then hands it on to the window's own handler.
    serial::TComm32& comm = *form_->Comm321();
    comm.OnReceiveData = [this, own = comm.OnReceiveData](const uint8_t* data, uint16_t n) {
        received_ += n;
        own(data, n);
    };
    form_->show();
}

bool Window::StartOn(const serial::testing::Pty& line) {
    form_->cbbCom->setEditText(QString::fromStdString(line.Path()));
    form_->btnStart->click();
    if (!form_->Comm321()->PortOpen()) return false;
    const auto frame = line.Read(3, std::chrono::seconds(5));
    return frame.size() == 3 && frame[1] == 'D';
}

void Window::Stop() {
    form_->btnStop->click();
}

std::vector<QString> Window::Destroy() {
    if (!form_) return {};
    return ClosingErrorBoxes([this] {
        form_->close();
        form_.reset();
    });
}

}  // namespace reliability

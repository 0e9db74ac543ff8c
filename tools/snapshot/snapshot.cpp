// dravik_snapshot OUT.png: opens the console window off screen on a pseudo-terminal, starts
// it, answers its status request with FF 01 44 85 03 and saves a picture of the window.

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <system_error>

#include "console/window/application.h"
#include "console/window/form1.h"
#include "tools/pty/pty_pair.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dravik_snapshot OUT.png\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    console::TApplication application(argc, argv);

    std::optional<tty::PtyPair> controller;
    try {
        controller.emplace();
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    QTemporaryDir settingsDir;  // keeps any real settings file untouched
    console::TForm1 form(settingsDir.filePath(QStringLiteral("dravik.ini")).toStdString());
    form.show();
    form.cbbCom->setEditText(QString::fromStdString(controller->Path()));
    form.btnStart->click();

    const std::vector<uint8_t> command = controller->Read(3, std::chrono::seconds(2));
    if (command.size() != 3 || command[1] != 'D') {
        std::fprintf(stderr, "no status request arrived\n");
        return 1;
    }
    if (!controller->Write({0xFF, 0x01, 0x44, 0x85, 0x03})) return 1;

    QElapsedTimer clock;
    clock.start();
    while (form.txtStatus->text().isEmpty() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();

    const bool saved = form.grab().save(QString::fromLocal8Bit(argv[1]));
    if (!saved) std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return saved ? 0 : 1;
}

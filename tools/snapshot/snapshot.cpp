// dravik_snapshot OUT.png: opens the console window off screen on a pseudo-terminal, starts
// it, answers its status request with FF 01 44 85 03 and saves a picture of the window.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>

#include "console/window/application.h"
#include "console/window/form1.h"

namespace {

// Reads up to `count` bytes from the controller's end, waiting at most two seconds.
int ReadFrame(int fd, unsigned char* bytes, int count) {
    int got = 0;
    QElapsedTimer clock;
    clock.start();
    while (got < count && clock.elapsed() < 2000) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0 || !(p.revents & POLLIN)) continue;
        const ssize_t n = read(fd, bytes + got, static_cast<size_t>(count - got));
        if (n > 0) got += static_cast<int>(n);
    }
    return got;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dravik_snapshot OUT.png\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    console::TApplication application(argc, argv);

    const int controller = posix_openpt(O_RDWR | O_NOCTTY);
    if (controller < 0 || grantpt(controller) != 0 || unlockpt(controller) != 0) {
        std::perror("pseudo-terminal");
        return 1;
    }
    QTemporaryDir settingsDir;  // keeps any real settings file untouched
    console::TForm1 form(settingsDir.filePath(QStringLiteral("dravik.ini")).toStdString());
    form.show();
    form.cbbCom->setEditText(QString::fromLocal8Bit(ptsname(controller)));
    form.btnStart->click();

    unsigned char command[3] = {};
    if (ReadFrame(controller, command, 3) != 3 || command[1] != 'D') {
        std::fprintf(stderr, "no status request arrived\n");
        return 1;
    }
    const unsigned char reply[] = {0xFF, 0x01, 0x44, 0x85, 0x03};
    if (write(controller, reply, sizeof reply) != static_cast<ssize_t>(sizeof reply)) return 1;

    QElapsedTimer clock;
    clock.start();
    while (form.txtStatus->text().isEmpty() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();

    const bool saved = form.grab().save(QString::fromLocal8Bit(argv[1]));
    close(controller);
    if (!saved) std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return saved ? 0 : 1;
}

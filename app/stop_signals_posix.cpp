// SIGTERM and SIGINT as a request to close the windows. A signal handler may not call into
// the toolkit, so it only writes a byte to a pipe; the event loop reads it and closes the
// windows there. A second signal while a message box waits at shutdown closes that box too.

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "app/stop_signals.h"

namespace {

int wakeFd = -1;  // the pipe's write end, for the handler

void OnStopSignal(int) {
    const int saved = errno;
    const char byte = 0;
    if (::write(wakeFd, &byte, 1) < 0) {
        // The pipe is full: a close is already pending.
    }
    errno = saved;
}

}  // namespace

void CloseWindowsOnStopSignals() {
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
        qWarning("dravik: SIGTERM and SIGINT end the program without its shutdown: %s",
                 std::strerror(errno));
        return;
    }
    wakeFd = fds[1];
    auto* notifier =
        new QSocketNotifier(fds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [fd = fds[0]] {
        char bytes[64];
        while (::read(fd, bytes, sizeof bytes) > 0) {
        }
        QApplication::closeAllWindows();
    });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

// SIGINT and SIGTERM on POSIX: the handler notes which came and sets the stop event.
#include <signal.h>

#include <cerrno>

#include "tools/checker/interrupt.h"

namespace check {
namespace {

serial::Event* stopEvent = nullptr;

// Setting the event is one write to its descriptor: safe in a signal handler.
void OnStopSignal(int signal) {
    const int saved = errno;
    NoteStopSignal(signal);
    if (stopEvent) stopEvent->Set();
    errno = saved;
}

}  // namespace

bool InstallInterrupt(serial::Event& stop) {
    stopEvent = &stop;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0;
}

}  // namespace check

// Ctrl-C and Ctrl-Break in the console, and the console window being closed, set the stop
// event. The system calls the handler on a thread of its own, where setting an event is safe.

#include <windows.h>

#include <csignal>

#include "tools/checker/interrupt.h"

namespace check {
namespace {

serial::Event* stopEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD type) {
    if (stopEvent == nullptr) return FALSE;
    NoteStopSignal(type == CTRL_C_EVENT       ? SIGINT
                   : type == CTRL_BREAK_EVENT ? SIGBREAK
                                              : kConsoleClosed);
    stopEvent->Set();
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) return TRUE;
    // The console is closing or the session ends: the system ends the process as soon as this
    // returns, so it waits here while the checker puts back what it can and exits (the system
    // allows a few seconds).
    Sleep(INFINITE);
    return TRUE;
}

}  // namespace

bool InstallInterrupt(serial::Event& stop) {
    stopEvent = &stop;
    return SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
}

}  // namespace check

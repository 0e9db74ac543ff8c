// The signal's number is kept in a lock-free atomic: the one kind of store a signal handler
// may make.

#include "tools/checker/interrupt.h"

#include <atomic>
#include <csignal>

namespace check {
namespace {

std::atomic<int> lastStopSignal{SIGINT};
static_assert(std::atomic<int>::is_always_lock_free);

}  // namespace

void NoteStopSignal(int signal) {
    lastStopSignal.store(signal, std::memory_order_relaxed);
}

int StopSignal() {
    return lastStopSignal.load(std::memory_order_relaxed);
}

std::string StopSignalText(int signal) {
    if (signal == SIGINT) return "SIGINT (Ctrl-C)";
    if (signal == SIGTERM) return "SIGTERM";
#ifdef SIGBREAK
    if (signal == SIGBREAK) return "SIGBREAK (Ctrl-Break)";
#endif
    if (signal == kConsoleClosed) return "the console window closing";
    return "signal " + std::to_string(signal);
}

}  // namespace check

#include "wait_posix.h"

#include <time.h>

namespace serial {

Nanos MonotonicNow() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return Nanos{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

int PollUntil(pollfd* fds, nfds_t count, Nanos deadline) {
    return RetryOnEintr([&] {
        timespec ts{};
        if (deadline != kNever) {
            const Nanos now = MonotonicNow();
            const Nanos left = deadline > now ? deadline - now : 0;
            ts.tv_sec = static_cast<time_t>(left / 1'000'000'000);
            ts.tv_nsec = static_cast<long>(left % 1'000'000'000);
        }
        return ppoll(fds, count, deadline == kNever ? nullptr : &ts, nullptr);
    });
}

}  // namespace serial

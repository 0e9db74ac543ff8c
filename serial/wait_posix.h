#pragma once
// Two things every POSIX file of the serial layer does: call the system again when a signal
// interrupted the call, and wait on descriptors until a deadline of the monotonic clock
// (a deadline rather than a count, so that a signal does not restart the whole wait).

#include <poll.h>

#include <cerrno>
#include <cstdint>

namespace serial {

// Calls f until it does not fail with EINTR; its last result.
template <class F>
auto RetryOnEintr(F f) {
    decltype(f()) rc;
    while ((rc = f()) < 0 && errno == EINTR) {
    }
    return rc;
}

using Nanos = int64_t;  // on CLOCK_MONOTONIC
inline constexpr Nanos kMilli = 1'000'000;
inline constexpr Nanos kNever = INT64_MAX;

Nanos MonotonicNow();

// Waits on fds until one is ready or the deadline (kNever: no limit) passes. 0 on time-out,
// > 0 when ready, < 0 on failure (errno says why).
int PollUntil(pollfd* fds, nfds_t count, Nanos deadline);

}  // namespace serial

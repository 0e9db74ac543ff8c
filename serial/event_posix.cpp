#include "event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "wait_posix.h"

namespace serial {

std::unique_ptr<Event> Event::Create(bool signalled) {
    const int fd = eventfd(signalled ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::unique_ptr<Event>(new Event(fd));
}

Event::~Event() {
    close(handle_);
}

void Event::Set() {
    const uint64_t one = 1;
    // The counter only saturates after 2^64 - 2 sets; EAGAIN then still means "set".
    RetryOnEintr([&] { return write(handle_, &one, sizeof one); });
}

void Event::Reset() {
    uint64_t count;
    RetryOnEintr([&] { return read(handle_, &count, sizeof count); });
}

bool Event::IsSet() const {
    pollfd p{handle_, POLLIN, 0};
    return PollUntil(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

int WaitAny(std::span<Event* const> events, std::chrono::milliseconds timeout) {
    std::vector<pollfd> fds(events.size());
    for (size_t i = 0; i < events.size(); ++i) fds[i] = {events[i]->Handle(), POLLIN, 0};
    // ppoll takes any length, where poll's int milliseconds would overflow past 24 days.
    constexpr std::chrono::milliseconds kLongest = std::chrono::hours(24 * 365 * 10);
    const Nanos deadline = timeout.count() < 0
                               ? kNever
                               : MonotonicNow() + std::min(timeout, kLongest).count() * kMilli;
    const int rc = PollUntil(fds.data(), fds.size(), deadline);
    if (rc < 0) return WaitFailed;
    if (rc == 0) return WaitTimedOut;
    for (size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents & POLLIN) return static_cast<int>(i);
        if (fds[i].revents & (POLLERR | POLLNVAL)) break;
    }
    errno = EBADF;  // an event that is no longer one
    return WaitFailed;
}

}  // namespace serial

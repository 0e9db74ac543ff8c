#include "event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

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
    while (write(handle_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void Event::Reset() {
    uint64_t count;
    while (read(handle_, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

bool Event::IsSet() const {
    pollfd p{handle_, POLLIN, 0};
    int rc;
    while ((rc = poll(&p, 1, 0)) < 0 && errno == EINTR) {
    }
    return rc > 0 && (p.revents & POLLIN);
}

int WaitAny(std::span<Event* const> events, std::chrono::milliseconds timeout) {
    std::vector<pollfd> fds(events.size());
    for (size_t i = 0; i < events.size(); ++i) fds[i] = {events[i]->Handle(), POLLIN, 0};
    // A deadline rather than a count, so that a signal does not restart the whole wait;
    // ppoll takes any length, where poll's int milliseconds would overflow past 24 days.
    const bool limited = timeout.count() >= 0;
    constexpr std::chrono::milliseconds kLongest = std::chrono::hours(24 * 365 * 10);
    const auto deadline =
        std::chrono::steady_clock::now() + std::clamp(timeout, timeout.zero(), kLongest);
    int rc;
    for (;;) {
        timespec ts{};
        if (limited) {
            const auto left = std::max(deadline - std::chrono::steady_clock::now(),
                                       std::chrono::steady_clock::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            ts.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            ts.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        }
        rc = ppoll(fds.data(), fds.size(), limited ? &ts : nullptr, nullptr);
        if (rc >= 0 || errno != EINTR) break;
    }
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

#include "event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace serial {

std::unique_ptr<Event> Event::Create(bool signalled) {
    const int fd = eventfd(signalled ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::unique_ptr<Event>(new Event(fd));
}

Event::~Event() { close(handle_); }

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
    const int ms = timeout.count() < 0 ? -1 : static_cast<int>(timeout.count());
    int rc;
    while ((rc = poll(fds.data(), fds.size(), ms)) < 0 && errno == EINTR) {
    }
    if (rc < 0) return WaitFailed;
    if (rc == 0) return WaitTimedOut;
    for (size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents & POLLIN) return static_cast<int>(i);
        if (fds[i].revents & (POLLERR | POLLNVAL)) return WaitFailed;
    }
    return WaitFailed;
}

}  // namespace serial

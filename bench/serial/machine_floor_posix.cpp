// The machine's share of a reply's latency: our design with nothing of ours in it. A bare
// reader thread (1 ns timer slack, as ours) wakes on the terminal's data, reads it, waits
// for 1 ms of silence with ppoll and hands off through an eventfd to the waiting owner.
// What that costs beyond the 1 ms is thread wake-ups and the timer's lateness, which no
// implementation of the design can avoid on this machine.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "far_end.h"
#include "measurements.h"
#include "tools/pty/pty_pair.h"

namespace bench {

namespace {

constexpr int64_t kMilli = 1'000'000;

int64_t NowNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

timespec Span(int64_t ns) {
    ns = std::max<int64_t>(ns, 0);
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

// Reads what the terminal holds; true when something came.
bool Drain(int fd) {
    uint8_t buf[256];
    bool any = false;
    while (read(fd, buf, sizeof buf) > 0) any = true;
    return any;
}

// The reader: for each burst, the overshoot of its 1 ms silence wait goes into overshootsMs.
void BareReader(int fd, int stop, int handoff, std::vector<double>& overshootsMs) {
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    for (;;) {
        pollfd fds[2] = {{stop, POLLIN, 0}, {fd, POLLIN, 0}};
        if (ppoll(fds, 2, nullptr, nullptr) < 0 || fds[0].revents) return;
        int64_t deadline = NowNs() + kMilli;
        if (!Drain(fd)) continue;
        for (;;) {
            const timespec left = Span(deadline - NowNs());
            const int rc = ppoll(fds, 2, &left, nullptr);
            if (rc < 0 || fds[0].revents) return;
            if (rc == 0) break;
            const int64_t asked = NowNs();
            if (Drain(fd)) deadline = asked + kMilli;
        }
        overshootsMs.push_back(static_cast<double>(NowNs() - deadline) / kMilli);
        const uint64_t one = 1;
        if (write(handoff, &one, sizeof one) < 0) return;
    }
}

}  // namespace

FloorFigures MachineFloor(int count) {
    tty::PtyPair pty;
    const int fd = open(pty.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int stop = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    const int handoff = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    FloorFigures f;
    termios t{};
    if (fd >= 0 && stop >= 0 && handoff >= 0 && tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        std::vector<double> overshootsMs, beyondMs;
        std::thread reader(BareReader, fd, stop, handoff, std::ref(overshootsMs));
        const uint8_t reply[3] = {0x01, 'D', 0x00};
        FarEnd far(pty);
        for (int i = 0; i < count; ++i) {
            // Sent from a far-end thread while the owner waits, as the latency measurement
            // sends it.
            far.SendAfter(reply, 3, std::chrono::milliseconds(1));
            pollfd owner{handoff, POLLIN, 0};
            const timespec limit = Span(1000 * kMilli);
            const int rc = ppoll(&owner, 1, &limit, nullptr);
            const auto arrived = FarEnd::Clock::now();
            const auto sent = far.Sent();
            if (rc <= 0) break;
            beyondMs.push_back(std::chrono::duration<double, std::milli>(arrived - sent).count() -
                               1.0);
            uint64_t value;
            if (read(handoff, &value, sizeof value) < 0) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // as between replies
        }
        const uint64_t one = 1;
        if (write(stop, &one, sizeof one) < 0) {
        }
        reader.join();
        if (beyondMs.size() == static_cast<size_t>(count)) {
            f.timerOvershootMs = Percentile(overshootsMs, 0.5);
            f.bareBeyondSilenceMs = Percentile(beyondMs, 0.5);
        }
    }
    for (const int d : {fd, stop, handoff})
        if (d >= 0) close(d);
    return f;
}

}  // namespace bench

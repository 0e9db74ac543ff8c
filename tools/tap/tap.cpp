#include "tools/tap/tap.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tools/frames/frame.h"

namespace tap {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kDeviceRetry{500};
constexpr milliseconds kConsoleRetry{100};
constexpr short kTrouble = POLLHUP | POLLERR | POLLNVAL;

std::string Bauds(uint32_t baud) {
    return std::to_string(baud) + " bit/s";
}

// poll's time-out until the deadline: -1 (none) without one. Only retries are timed here.
int TimeoutMs(std::optional<Clock::time_point> deadline, Clock::time_point now) {
    if (!deadline) return -1;
    const auto left = std::chrono::ceil<milliseconds>(*deadline - now).count();
    return static_cast<int>(std::clamp<decltype(left)>(left, 0, kDeviceRetry.count()));
}

}  // namespace

Tap::Tap(const Options& options, Line& console)
    : options_(options), console_(console), deviceBaud_(options.baud) {}

Tap::~Tap() = default;

bool Tap::Open(std::string& error) {
    device_ = Line::OpenDevice(options_.device, deviceBaud_, error);
    if (!device_) return false;
    if (!options_.log.empty()) {
        log_.reset(std::fopen(options_.log.c_str(), "ae"));
        if (!log_) {
            error = "log " + options_.log + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

int Tap::Run(int stop) {
    monitor_ = std::make_unique<TapMonitor>(options_.format, log_.get(), options_.log);
    monitor_->Note("tap: console on " + console_.Path() +
                   (options_.link.empty() ? "" : " (link " + options_.link + ")") + ", device " +
                   options_.device + " at " + Bauds(deviceBaud_) +
                   "; -> console to device, <- device to console");
    monitor_->Note(std::string(options_.format ? "replies read as given by --format"
                                               : "replies read as five-byte until they tell") +
                   "; [n] stands for the console's reply number, which the tap cannot know");
    int code = 0;
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (consoleRetry_ && now >= *consoleRetry_) consoleRetry_.reset();
        if (deviceRetry_ && now >= *deviceRetry_) ReopenDevice();

        pollfd fds[3];
        nfds_t count = 0;
        auto add = [&](int fd, short events) {
            if (fd < 0) return -1;
            fds[count] = {fd, events, 0};
            return static_cast<int>(count++);
        };
        // A side is read only while the other has taken everything read from it before.
        auto events = [](const frames::Bytes& toSource, const frames::Bytes& fromSource) {
            return static_cast<short>((fromSource.empty() ? POLLIN : 0) |
                                      (toSource.empty() ? 0 : POLLOUT));
        };
        const int stopAt = add(stop, POLLIN);
        const int consoleAt =
            add(consoleRetry_ ? -1 : console_.Fd(), events(toConsole_, toDevice_));
        const int deviceAt = add(device_ ? device_->Fd() : -1, events(toDevice_, toConsole_));

        const int ready = ::poll(fds, count, TimeoutMs(NextDeadline(), now));
        if (ready < 0 && errno != EINTR) {
            monitor_->Note(std::string("poll failed: ") + std::strerror(errno));
            code = 1;
            break;
        }
        auto fired = [&](int at) -> short { return ready > 0 && at >= 0 ? fds[at].revents : 0; };

        if (fired(stopAt)) break;
        if (const short revents = fired(deviceAt)) {
            if ((revents & POLLOUT) && !Send(*device_, toDevice_, nullptr, 0)) {
                DeviceLost(std::strerror(errno));
            } else if (revents & (POLLIN | kTrouble)) {
                FromDevice(revents);
            }
        }
        if (const short revents = fired(consoleAt)) {
            if ((revents & POLLOUT) && !Send(console_, toConsole_, nullptr, 0)) {
                ConsoleFailed(std::string("write: ") + std::strerror(errno));
            } else if (revents & (POLLIN | kTrouble)) {
                FromConsole(revents);
            }
        }
    }
    monitor_->Note("stopped");
    monitor_.reset();
    return code;
}

std::optional<Clock::time_point> Tap::NextDeadline() const {
    if (deviceRetry_ && consoleRetry_) return std::min(*deviceRetry_, *consoleRetry_);
    return deviceRetry_ ? deviceRetry_ : consoleRetry_;
}

std::optional<size_t> Tap::ReadChunk(Line& side, short events, uint8_t* buffer, size_t size,
                                     std::string& failure) {
    const ssize_t n = side.Read(buffer, size);
    if (n < 0 || (n == 0 && (events & kTrouble))) {
        failure = n < 0 ? std::strerror(errno) : "hung up";
        return std::nullopt;
    }
    return static_cast<size_t>(n);
}

void Tap::FromConsole(short events) {
    uint8_t buffer[4096];
    std::string failure;
    const auto count = ReadChunk(console_, events, buffer, sizeof buffer, failure);
    if (!count) return ConsoleFailed(failure);
    if (*count == 0) return;
    if (!device_) {
        // Read all the same: a console writing into a full terminal would stall.
        monitor_->Note("no device: " + frames::HexBytes(buffer, *count) +
                       " from the console dropped");
        return;
    }
    FollowConsoleSpeed();
    if (!Send(*device_, toDevice_, buffer, *count)) return DeviceLost(std::strerror(errno));
    monitor_->Forwarded(frames::Direction::Commands, buffer, *count);
}

void Tap::FromDevice(short events) {
    uint8_t buffer[4096];
    std::string failure;
    const auto count = ReadChunk(*device_, events, buffer, sizeof buffer, failure);
    if (!count) return DeviceLost(failure);
    if (*count == 0) return;
    if (!Send(console_, toConsole_, buffer, *count)) {
        return ConsoleFailed(std::string("write: ") + std::strerror(errno));
    }
    monitor_->Forwarded(frames::Direction::Replies, buffer, *count);
}

bool Tap::Send(Line& to, frames::Bytes& pending, const uint8_t* bytes, size_t count) {
    if (bytes) pending.insert(pending.end(), bytes, bytes + count);
    const ssize_t n = to.Write(pending.data(), pending.size());
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    pending.erase(pending.begin(), pending.begin() + std::max<ssize_t>(n, 0));
    return true;
}

void Tap::FollowConsoleSpeed() {
    const auto timing = console_.Timing();
    if (!timing || timing->baud == deviceBaud_) return;
    // Recorded whatever comes of it: a failure is reported once, not at every chunk.
    deviceBaud_ = timing->baud;
    std::string error;
    if (device_->SwitchSpeed(deviceBaud_, error)) {
        monitor_->Note("console set " + Bauds(deviceBaud_) + ": device switched to it");
    } else {
        monitor_->Note("console set " + Bauds(deviceBaud_) + ": device not switched: " + error);
    }
}

void Tap::DeviceLost(const std::string& reason) {
    monitor_->Note("device " + options_.device + " lost (" + reason +
                   "); opening it again every 500 ms");
    if (!toDevice_.empty()) {
        monitor_->Note(frames::HexBytes(toDevice_) + " from the console not forwarded");
        toDevice_.clear();
    }
    device_.reset();
    lastOpenError_.clear();
    deviceRetry_ = Clock::now() + kDeviceRetry;
}

void Tap::ReopenDevice() {
    // The console may have set another speed meanwhile.
    if (const auto timing = console_.Timing()) deviceBaud_ = timing->baud;
    std::string error;
    device_ = Line::OpenDevice(options_.device, deviceBaud_, error);
    if (!device_) {
        if (error != lastOpenError_) monitor_->Note("device: " + error);
        lastOpenError_ = error;
        deviceRetry_ = Clock::now() + kDeviceRetry;
        return;
    }
    deviceRetry_.reset();
    monitor_->Note("device " + options_.device + " open again at " + Bauds(deviceBaud_));
}

void Tap::ConsoleFailed(const std::string& what) {
    // Nobody on the console's side for now: look again shortly, without spinning on a
    // lasting hang-up.
    monitor_->Note("console side: " + what);
    if (!toConsole_.empty()) {
        monitor_->Note(frames::HexBytes(toConsole_) + " from the device not forwarded");
        toConsole_.clear();
    }
    consoleRetry_ = Clock::now() + kConsoleRetry;
}

}  // namespace tap

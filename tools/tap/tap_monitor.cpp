#include "tools/tap/tap_monitor.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "tools/frames/describe.h"
#include "tools/line/monitor.h"

namespace tap {
namespace {

// Chunks queued beyond this (a stdout nobody reads) are counted instead of kept.
constexpr size_t kMaxQueued = 4096;

std::chrono::system_clock::time_point WallTime(Clock::time_point at) {
    const auto age =
        std::chrono::duration_cast<std::chrono::system_clock::duration>(Clock::now() - at);
    return std::chrono::system_clock::now() - age;
}

}  // namespace

TapMonitor::TapMonitor(std::optional<frames::ReplyFormat> consoleFormat, std::FILE* log,
                       std::string logName)
    : log_(log),
      logName_(std::move(logName)),
      decoder_(consoleFormat),
      thread_([this] { Run(); }) {}

TapMonitor::~TapMonitor() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_one();
    thread_.join();
}

void TapMonitor::Forwarded(frames::Direction direction, const uint8_t* bytes, size_t count) {
    {
        std::lock_guard lock(mutex_);
        if (queue_.size() >= kMaxQueued) {
            ++dropped_;
            return;
        }
        // Stamped under the lock: a chunk that the monitor has not seen yet is always later
        // than the time up to which it settles held bytes (see Run).
        queue_.push_back({Clock::now(), direction, frames::Bytes(bytes, bytes + count), {}});
    }
    changed_.notify_one();
}

void TapMonitor::Note(std::string text) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({Clock::now(), {}, {}, std::move(text)});
    }
    changed_.notify_one();
}

void TapMonitor::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        const std::optional<Clock::time_point> deadline = decoder_.Deadline();
        const auto woken = [this] { return !queue_.empty() || stop_; };
        if (deadline) {
            changed_.wait_until(lock, *deadline, woken);
        } else {
            changed_.wait(lock, woken);
        }
        std::deque<Entry> batch;
        batch.swap(queue_);
        const size_t dropped = std::exchange(dropped_, 0);
        const bool stop = stop_;
        // Taken under the lock, so that no chunk stamped before it can still be on its way:
        // held bytes are never settled while their continuation waits to be queued.
        const Clock::time_point settled = Clock::now();
        lock.unlock();

        for (const Entry& entry : batch) Process(entry);
        if (dropped > 0) {
            decoder_.Note("monitor fell behind: " + std::to_string(dropped) +
                              " chunks forwarded but not shown",
                          settled);
        }
        if (stop) {
            // Nothing more will join what is held: it is shown as it stands.
            Print(decoder_.Finish(settled));
            return;
        }
        decoder_.Expire(settled);
        Print(decoder_.Take());
        lock.lock();
    }
}

void TapMonitor::Process(const Entry& entry) {
    if (!entry.note.empty()) {
        decoder_.Note(entry.note, entry.at);
    } else if (entry.direction == frames::Direction::Commands) {
        decoder_.FromConsole(entry.bytes.data(), entry.bytes.size(), entry.at);
    } else {
        decoder_.FromDevice(entry.bytes.data(), entry.bytes.size(), entry.at);
    }
}

void TapMonitor::Print(const std::vector<frames::LineEvent>& events) {
    for (const frames::LineEvent& event : events) Write(event.at, frames::Describe(event));
}

void TapMonitor::Write(Clock::time_point at, const std::string& text) {
    const std::string line = sim::Stamp(WallTime(at)) + text;
    sim::PrintPlain(line);
    if (!log_ || logFailed_) return;
    if (std::fprintf(log_, "%s\n", line.c_str()) < 0 || std::fflush(log_) != 0) {
        logFailed_ = true;
        sim::PrintPlain(sim::Stamp(std::chrono::system_clock::now()) + "-- log " + logName_ +
                        " not written any more: " + std::strerror(errno));
    }
}

}  // namespace tap

#include "tools/simulator/tap_monitor.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "tools/frames/describe.h"
#include "tools/simulator/monitor.h"

namespace sim {
namespace {

// Chunks queued beyond this (a stdout nobody reads) are counted instead of kept.
constexpr size_t kMaxQueued = 4096;
// The hex of a five-byte frame, so that the meanings line up.
constexpr size_t kHexWidth = 14;

std::chrono::system_clock::time_point WallTime(Clock::time_point at) {
    const auto age =
        std::chrono::duration_cast<std::chrono::system_clock::duration>(Clock::now() - at);
    return std::chrono::system_clock::now() - age;
}

// "-> 01 44 00        to 1: D status request": console to device "->", device to console
// "<-".
std::string FrameLine(const frames::FrameEvent& event) {
    std::string hex = frames::HexBytes(event.bytes);
    if (hex.size() < kHexWidth) hex.resize(kHexWidth, ' ');
    const char* arrow = event.direction == frames::Direction::Commands ? "-> " : "<- ";
    return arrow + hex + "  " + frames::Describe(event);
}

}  // namespace

TapMonitor::TapMonitor(std::optional<frames::ReplyFormat> replyFormat, Clock::duration gap,
                       std::FILE* log, std::string logName)
    : log_(log),
      logName_(std::move(logName)),
      commands_(frames::Direction::Commands, gap),
      replies_(frames::Direction::Replies, gap, replyFormat),
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
        queue_.push_back({Clock::now(), {}, {}, "-- " + std::move(text)});
    }
    changed_.notify_one();
}

void TapMonitor::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        // A frame left incomplete is settled once its silence has lasted the gap.
        std::optional<Clock::time_point> deadline = commands_.Deadline();
        if (const auto other = replies_.Deadline()) {
            deadline = deadline ? std::min(*deadline, *other) : *other;
        }
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
        // held bytes are never settled as stray while their continuation waits to be queued.
        const Clock::time_point settled = Clock::now();
        lock.unlock();

        for (const Entry& entry : batch) Process(entry);
        if (dropped > 0) {
            Write(Clock::now(), "-- monitor fell behind: " + std::to_string(dropped) +
                                    " chunks forwarded but not shown");
        }
        // At the end nothing more will join the held bytes: they are settled as they are.
        Expire(stop ? Clock::time_point::max() : settled);
        if (stop) return;
        lock.lock();
    }
}

void TapMonitor::Process(const Entry& entry) {
    Expire(entry.at);
    if (!entry.note.empty()) {
        Write(entry.at, entry.note);
        return;
    }
    auto& decoder = entry.direction == frames::Direction::Commands ? commands_ : replies_;
    Print(decoder.Feed(entry.bytes.data(), entry.bytes.size(), entry.at));
}

void TapMonitor::Expire(Clock::time_point now) {
    Print(commands_.Expire(now));
    Print(replies_.Expire(now));
}

void TapMonitor::Print(const std::vector<frames::FrameEvent>& events) {
    for (const frames::FrameEvent& event : events) Write(event.first, FrameLine(event));
}

void TapMonitor::Write(Clock::time_point at, const std::string& text) {
    const std::string line = Stamp(WallTime(at)) + text;
    PrintPlain(line);
    if (!log_ || logFailed_) return;
    if (std::fprintf(log_, "%s\n", line.c_str()) < 0 || std::fflush(log_) != 0) {
        logFailed_ = true;
        PrintPlain(Stamp(std::chrono::system_clock::now()) + "-- log " + logName_ +
                   " not written any more: " + std::strerror(errno));
    }
}

}  // namespace sim

#include "tools/simulator/transmitter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tools/frames/frame.h"
#include "tools/line/monitor.h"

namespace sim {

void Transmitter::Queue(Burst burst) {
    queue_.push_back(std::move(burst));
}

Clock::time_point Transmitter::StartOf(const Burst& burst) const {
    return std::max(burst.due, lineFree_ + burst.pauseBefore);
}

std::optional<Clock::time_point> Transmitter::Deadline() const {
    if (queue_.empty()) return std::nullopt;
    if (!begun_) return StartOf(queue_.front());
    return start_ + byteTime_ * static_cast<Clock::rep>(sent_ + 1);
}

void Transmitter::WriteDue(Clock::time_point now) {
    while (!queue_.empty()) {
        const Burst& burst = queue_.front();
        if (!begun_) {
            const Clock::time_point start = StartOf(burst);
            if (now < start) return;
            Begin(burst, start);
        }
        const size_t size = burst.bytes.size();
        // Late wake-ups write what fell due meanwhile together, so the burst keeps its
        // total duration.
        const size_t due =
            byteTime_.count() == 0
                ? size
                : std::min<size_t>(size, static_cast<size_t>((now - start_) / byteTime_));
        if (due > sent_) {
            const ssize_t n = line_.Write(burst.bytes.data() + sent_, due - sent_);
            if (n < 0) {
                failure_ = std::strerror(errno);
            } else {
                if (static_cast<size_t>(n) < due - sent_) failure_ = "line full";
                sent_ += static_cast<size_t>(n);
            }
        }
        if (sent_ < size && failure_.empty()) return;
        Finish();
    }
}

void Transmitter::Begin(const Burst& burst, Clock::time_point start) {
    begun_ = true;
    start_ = start;
    sent_ = 0;
    failure_.clear();
    byteTime_ = Clock::duration::zero();
    if (instant_ || burst.bytes.empty()) return;
    const auto timing = line_.Timing();
    if (timing) {
        byteTime_ = std::chrono::duration_cast<Clock::duration>(timing->ByteTime());
        if (timing->baud != reportedBaud_) {
            PrintStamped("-- replies paced at " + std::to_string(timing->baud) + " bit/s, " +
                         std::to_string(timing->bitsPerByte) + " bits a byte");
        }
        reportedBaud_ = timing->baud;
        reportedUnknown_ = false;
    } else if (!reportedUnknown_) {
        PrintStamped("-- line speed unknown: replies sent at once");
        reportedUnknown_ = true;
        reportedBaud_.reset();
    }
}

void Transmitter::Finish() {
    const Burst burst = std::move(queue_.front());
    queue_.pop_front();
    begun_ = false;
    // The time the bytes took on the line, whenever they were written.
    lineFree_ = start_ + byteTime_ * static_cast<Clock::rep>(sent_);

    if (!burst.bytes.empty()) {
        const std::string hex = "-> " + frames::HexBytes(burst.bytes);
        if (failure_.empty()) {
            PrintStamped(hex + burst.note);
        } else if (sent_ == 0) {
            PrintStamped(hex + " (not sent: " + failure_ + ")");
        } else {
            PrintStamped(hex + " (only " + std::to_string(sent_) + " bytes sent: " + failure_ +
                         ")");
        }
    }
    if (burst.switchToBaud) {
        std::string error;
        const std::string speed = std::to_string(*burst.switchToBaud);
        if (!line_.SwitchSpeed(*burst.switchToBaud, error)) {
            PrintStamped("-- speed " + speed + " not set: " + error);
        } else if (line_.IsPseudoTerminal()) {
            PrintStamped("-- line speed " + speed + " (pseudo-terminal: recorded only)");
        } else {
            PrintStamped("-- line speed now " + speed);
        }
    }
}

}  // namespace sim

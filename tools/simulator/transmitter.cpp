#include "tools/simulator/transmitter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tools/frames/frame.h"
#include "tools/line/monitor.h"
#include "tools/simulator/speed_mismatch.h"

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
    return sent_ < arriving_.size() ? start_ + due_[sent_] : end_;
}

void Transmitter::WriteDue(Clock::time_point now) {
    while (!queue_.empty()) {
        if (!begun_) {
            const Clock::time_point start = StartOf(queue_.front());
            if (now < start) return;
            Begin(queue_.front(), start);
        }
        // Late wake-ups write what fell due meanwhile together, so the burst keeps its
        // total duration.
        size_t due = sent_;
        while (due < arriving_.size() && start_ + due_[due] <= now) ++due;
        if (due > sent_) {
            const ssize_t n = line_.Write(arriving_.data() + sent_, due - sent_);
            if (n < 0) {
                failure_ = std::strerror(errno);
            } else {
                if (static_cast<size_t>(n) < due - sent_) failure_ = "line full";
                sent_ += static_cast<size_t>(n);
            }
        }
        if (failure_.empty() && (sent_ < arriving_.size() || now < end_)) return;
        Finish();
    }
}

void Transmitter::Abandon(const std::string& reason) {
    while (!queue_.empty()) {
        if (!begun_) {
            begun_ = true;
            start_ = sendersEnd_ = end_ = Clock::now();
            sent_ = 0;
            arriving_.clear();
            due_.clear();
        }
        failure_ = reason;
        Finish();
    }
}

void Transmitter::Begin(const Burst& burst, Clock::time_point start) {
    begun_ = true;
    start_ = start;
    sent_ = 0;
    failure_.clear();
    farEnd_.clear();
    arriving_ = burst.bytes;
    due_.clear();
    sendersEnd_ = end_ = start;
    if (burst.bytes.empty()) return;

    const uint32_t baud = line_.Baud();
    Clock::duration byteTime = Clock::duration::zero();
    if (!instant_) {
        byteTime = std::chrono::duration_cast<Clock::duration>(LineTiming{baud}.ByteTime());
        if (baud != reportedBaud_) {
            PrintStamped("-- replies paced at " + std::to_string(baud) + " bit/s, " +
                         std::to_string(LineTiming{baud}.bitsPerByte) + " bits a byte");
        }
        reportedBaud_ = baud;
    }
    sendersEnd_ = start + byteTime * static_cast<Clock::rep>(burst.bytes.size());
    if (const auto console = ConsoleSpeedApart(line_)) {
        const auto read = ReadAtOtherSpeed(burst.bytes.data(), burst.bytes.size(), baud, *console);
        arriving_ = Values(read);
        for (const ReadByte& byte : read) due_.push_back(instant_ ? Clock::duration{} : byte.at);
        farEnd_ = " (the console's end is at " + std::to_string(*console) + " bit/s: it reads " +
                  (read.empty() ? std::string("nothing") : frames::HexBytes(arriving_)) + ")";
    } else {
        for (size_t i = 1; i <= arriving_.size(); ++i) {
            due_.push_back(byteTime * static_cast<Clock::rep>(i));
        }
    }
    end_ = std::max(sendersEnd_, due_.empty() ? start : start + due_.back());
}

void Transmitter::Finish() {
    const Burst burst = std::move(queue_.front());
    queue_.pop_front();
    begun_ = false;
    // The time the bytes took on the line, whenever they were written.
    lineFree_ = failure_.empty() ? sendersEnd_ : sent_ > 0 ? start_ + due_[sent_ - 1] : start_;

    if (!burst.bytes.empty()) {
        const std::string hex = "-> " + frames::HexBytes(burst.bytes);
        if (failure_.empty()) {
            PrintStamped(hex + burst.note + farEnd_);
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
            PrintStamped("-- line speed " + speed + " (the console's end must follow)");
        } else {
            PrintStamped("-- line speed now " + speed);
        }
    }
}

}  // namespace sim

#include "tools/simulator/command_assembler.h"

#include <algorithm>

namespace sim {

std::vector<Command> CommandAssembler::Add(const uint8_t* bytes, size_t count,
                                           Clock::time_point now) {
    std::vector<Command> commands;
    if (count == 0) return commands;
    lastByte_ = now;
    for (size_t i = 0; i < count; ++i) {
        partial_.push_back(bytes[i]);
        if (partial_.size() == 3) {
            commands.push_back({partial_[0], partial_[1], partial_[2]});
            partial_.clear();
        }
    }
    return commands;
}

std::optional<std::vector<uint8_t>> CommandAssembler::Expire(Clock::time_point now) {
    if (partial_.empty() || now - lastByte_ < gap_) return std::nullopt;
    std::vector<uint8_t> dropped;
    dropped.swap(partial_);
    return dropped;
}

std::optional<Clock::time_point> CommandAssembler::Deadline() const {
    if (partial_.empty()) return std::nullopt;
    return lastByte_ + gap_;
}

}  // namespace sim

#pragma once
// Cuts the received byte stream into three-byte commands. Bytes that do not make a whole
// command before the line falls silent for the gap are handed back as dropped.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

using Clock = std::chrono::steady_clock;
using Command = std::array<uint8_t, 3>;

class CommandAssembler {
  public:
    explicit CommandAssembler(std::chrono::milliseconds gap) : gap_(gap) {}

    // Call first with every chunk: bytes left over from before a silence are dropped here.
    std::vector<Command> Add(const uint8_t* bytes, size_t count, Clock::time_point now);
    // The partial command once the line has been silent for the gap, else nothing.
    std::optional<std::vector<uint8_t>> Expire(Clock::time_point now);
    // When Expire will next have something to return.
    std::optional<Clock::time_point> Deadline() const;

  private:
    std::chrono::milliseconds gap_;
    std::vector<uint8_t> partial_;
    Clock::time_point lastByte_{};
};

}  // namespace sim

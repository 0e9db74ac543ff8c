#pragma once
// Puts a reply into its bytes on the line, with the faults the operator asked for.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/simulator/controller.h"

namespace sim {

enum class ReplyFormat { ThreeByte = 3, FiveByte = 5 };

// Misbehaviour injected into the replies, set from the command line or the control channel.
struct Faults {
    int splitMs = 0;                      // > 0: first byte, this pause, then the rest
    int delayMs = 0;                      // pause before a reply goes out
    std::optional<uint8_t> wrongAddress;  // address byte put in place of the controller's own
    bool brokenMarkers = false;           // five-byte frames with wrong start and end markers
    bool silent = false;                  // commands are obeyed, nothing is answered

    bool Any() const;
    std::string Describe() const;
};

// FF addr letter data 03 (five-byte) or addr letter data (three-byte).
std::vector<uint8_t> BuildReplyFrame(uint8_t address, const Reply& reply, ReplyFormat format,
                                     const Faults& faults);

// "FF 01 44 80 03"
std::string HexBytes(const uint8_t* bytes, size_t count);
inline std::string HexBytes(const std::vector<uint8_t>& bytes) {
    return HexBytes(bytes.data(), bytes.size());
}

}  // namespace sim

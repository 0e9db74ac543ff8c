#pragma once
// Misbehaviour injected into the replies, and a reply put into its bytes with it.

#include <cstdint>
#include <optional>
#include <string>

#include "tools/frames/frame.h"
#include "tools/simulator/controller.h"

namespace sim {

// Set from the command line or the control channel.
struct Faults {
    int splitMs = 0;                      // > 0: first byte, this pause, then the rest
    int delayMs = 0;                      // pause before a reply goes out
    std::optional<uint8_t> wrongAddress;  // address byte put in place of the controller's own
    bool brokenMarkers = false;           // five-byte frames with wrong start and end markers
    bool silent = false;                  // commands are obeyed, nothing is answered

    bool Any() const;
    std::string Describe() const;
};

// FF addr letter data 03 (five-byte) or addr letter data (three-byte), with the faults.
frames::Bytes BuildReplyFrame(uint8_t address, const Reply& reply, frames::ReplyFormat format,
                              const Faults& faults);

}  // namespace sim

#pragma once
// One frame in its fields and in its bytes: a three-byte command (address, letter, data),
// and a reply of three bytes or five (FF, address, letter, data, 03). Parsing keeps the
// markers apart from the fields, so a reply with broken markers is still readable and a
// reply from another controller is never taken for the one asked.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/frames/protocol.h"

namespace frames {

struct CommandFrame {
    uint8_t address = 0;
    uint8_t letter = 0;
    uint8_t data = 0;

    std::array<uint8_t, kCommandLength> ToBytes() const { return {address, letter, data}; }
    // The three bytes at bytes.
    static CommandFrame From(const uint8_t* bytes) { return {bytes[0], bytes[1], bytes[2]}; }
};

struct ReplyFrame {
    ReplyFormat format = ReplyFormat::FiveByte;
    uint8_t start = kStartMarker;  // five-byte format only
    uint8_t address = 0;
    uint8_t letter = 0;
    uint8_t data = 0;
    uint8_t end = kEndMarker;  // five-byte format only

    // Always true for the three-byte format, which has no markers.
    bool MarkersValid() const;
    Bytes ToBytes() const;
};

// The reply in count bytes of the given format; nothing when count is not its length.
std::optional<ReplyFrame> ParseReply(const uint8_t* bytes, size_t count, ReplyFormat format);

// Whether reply answers the command letter sent to address: valid markers, that address and
// that letter. The caller decides the address a command is answered from (for I and J it is
// not the address the command was sent to).
bool IsAnswerTo(const ReplyFrame& reply, uint8_t address, uint8_t letter);

// "FF 01 44 80 03": two uppercase hex digits a byte, one space between.
std::string HexBytes(const uint8_t* bytes, size_t count);
inline std::string HexBytes(const Bytes& bytes) {
    return HexBytes(bytes.data(), bytes.size());
}

}  // namespace frames

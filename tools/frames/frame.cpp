#include "tools/frames/frame.h"

namespace frames {

bool ReplyFrame::MarkersValid() const {
    return format == ReplyFormat::ThreeByte || (start == kStartMarker && end == kEndMarker);
}

Bytes ReplyFrame::ToBytes() const {
    if (format == ReplyFormat::ThreeByte) return {address, letter, data};
    return {start, address, letter, data, end};
}

std::optional<ReplyFrame> ParseReply(const uint8_t* bytes, size_t count, ReplyFormat format) {
    if (count != static_cast<size_t>(format)) return std::nullopt;
    if (format == ReplyFormat::ThreeByte) {
        return ReplyFrame{format, kStartMarker, bytes[0], bytes[1], bytes[2], kEndMarker};
    }
    return ReplyFrame{format, bytes[0], bytes[1], bytes[2], bytes[3], bytes[4]};
}

bool IsAnswerTo(const ReplyFrame& reply, uint8_t address, uint8_t letter) {
    return reply.MarkersValid() && reply.address == address && reply.letter == letter;
}

std::string HexBytes(const uint8_t* bytes, size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i) text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace frames

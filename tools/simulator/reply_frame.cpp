#include "tools/simulator/reply_frame.h"

namespace sim {
namespace {

constexpr uint8_t kStartMarker = 0xFF;
constexpr uint8_t kEndMarker = 0x03;
// Each one bit off the real marker, so a console that checks only loosely still notices.
constexpr uint8_t kBrokenStartMarker = 0xFE;
constexpr uint8_t kBrokenEndMarker = 0x02;

}  // namespace

bool Faults::Any() const {
    return splitMs > 0 || delayMs > 0 || wrongAddress || brokenMarkers || silent;
}

std::string Faults::Describe() const {
    if (!Any()) return "none";
    std::string text;
    auto add = [&](const std::string& part) {
        if (!text.empty()) text += ", ";
        text += part;
    };
    if (splitMs > 0) add("split " + std::to_string(splitMs) + " ms");
    if (delayMs > 0) add("delay " + std::to_string(delayMs) + " ms");
    if (wrongAddress) add("wrong-address " + std::to_string(*wrongAddress));
    if (brokenMarkers) add("broken-markers");
    if (silent) add("silent");
    return text;
}

std::vector<uint8_t> BuildReplyFrame(uint8_t address, const Reply& reply, ReplyFormat format,
                                     const Faults& faults) {
    const uint8_t replyAddress = faults.wrongAddress.value_or(address);
    if (format == ReplyFormat::ThreeByte) return {replyAddress, reply.letter, reply.data};
    return {faults.brokenMarkers ? kBrokenStartMarker : kStartMarker, replyAddress, reply.letter,
            reply.data, faults.brokenMarkers ? kBrokenEndMarker : kEndMarker};
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

}  // namespace sim

#include "tools/simulator/faults.h"

namespace sim {
namespace {

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

frames::Bytes BuildReplyFrame(uint8_t address, const Reply& reply, frames::ReplyFormat format,
                              const Faults& faults) {
    frames::ReplyFrame frame;
    frame.format = format;
    frame.address = faults.wrongAddress.value_or(address);
    frame.letter = reply.letter;
    frame.data = reply.data;
    if (faults.brokenMarkers) {
        frame.start = kBrokenStartMarker;
        frame.end = kBrokenEndMarker;
    }
    return frame.ToBytes();
}

}  // namespace sim

#include "tools/frames/stream_decoder.h"

#include <algorithm>

namespace frames {
namespace {

constexpr size_t kFive = static_cast<size_t>(ReplyFormat::FiveByte);
constexpr size_t kThree = static_cast<size_t>(ReplyFormat::ThreeByte);

}  // namespace

StreamDecoder::StreamDecoder(Direction direction, Clock::duration gap,
                             std::optional<ReplyFormat> replyFormat)
    : direction_(direction), gap_(gap), replyFormat_(replyFormat) {}

std::vector<FrameEvent> StreamDecoder::Feed(const uint8_t* bytes, size_t count,
                                            Clock::time_point at) {
    std::vector<FrameEvent> events = Expire(at);
    if (count == 0) return events;
    held_.insert(held_.end(), bytes, bytes + count);
    heldAt_.insert(heldAt_.end(), count, at);
    CutAll(false, events);
    return events;
}

std::vector<FrameEvent> StreamDecoder::Expire(Clock::time_point now) {
    std::vector<FrameEvent> events;
    if (!held_.empty() && now - heldAt_.back() >= gap_) CutAll(true, events);
    return events;
}

std::optional<Clock::time_point> StreamDecoder::Deadline() const {
    if (held_.empty()) return std::nullopt;
    return heldAt_.back() + gap_;
}

std::optional<Clock::time_point> StreamDecoder::HeldSince() const {
    if (held_.empty()) return std::nullopt;
    return heldAt_.front();
}

void StreamDecoder::CutAll(bool silent, std::vector<FrameEvent>& events) {
    while (!held_.empty()) {
        const auto cut = NextCut(silent);
        if (!cut) return;
        FrameEvent event;
        event.kind = cut->kind;
        event.direction = direction_;
        event.bytes.assign(held_.begin(), held_.begin() + cut->length);
        event.first = heldAt_.front();
        event.last = heldAt_[cut->length - 1];
        if (cut->kind == FrameEvent::Kind::Command) {
            event.command = CommandFrame::From(event.bytes.data());
        } else if (cut->kind != FrameEvent::Kind::Stray) {
            event.reply = *ParseReply(event.bytes.data(), cut->length, cut->format);
        }
        held_.erase(held_.begin(), held_.begin() + cut->length);
        heldAt_.erase(heldAt_.begin(), heldAt_.begin() + cut->length);
        events.push_back(std::move(event));
    }
}

std::optional<StreamDecoder::Cut> StreamDecoder::NextCut(bool silent) const {
    using Kind = FrameEvent::Kind;
    const size_t size = held_.size();
    if (direction_ == Direction::Commands) {
        if (size >= kCommandLength) return Cut{Kind::Command, kCommandLength, {}};
    } else if (replyFormat_ == ReplyFormat::FiveByte) {
        return NextFiveByteCut(silent);
    } else if (!replyFormat_ && held_[0] == kStartMarker && size < kFive && !silent) {
        return std::nullopt;  // a five-byte reply may be coming
    } else if (!replyFormat_ && size >= kFive && held_[0] == kStartMarker &&
               held_[4] == kEndMarker) {
        return Cut{Kind::Reply, kFive, ReplyFormat::FiveByte};
    } else if (size >= kThree) {
        return Cut{Kind::Reply, kThree, ReplyFormat::ThreeByte};
    }
    if (silent) return Cut{Kind::Stray, size, {}};
    return std::nullopt;
}

std::optional<StreamDecoder::Cut> StreamDecoder::NextFiveByteCut(bool silent) const {
    using Kind = FrameEvent::Kind;
    const size_t size = held_.size();
    auto framed = [&](size_t at) {
        return held_[at] == kStartMarker && at + 4 < size && held_[at + 4] == kEndMarker;
    };
    if (framed(0)) return Cut{Kind::Reply, kFive, ReplyFormat::FiveByte};
    // A reply that starts within the next four bytes takes precedence over cutting five
    // bytes here: what comes before it is stray.
    for (size_t at = 1; at < std::min(size, kFive); ++at) {
        if (held_[at] != kStartMarker) continue;
        if (framed(at)) return Cut{Kind::Stray, at, {}};
        if (at + 4 >= size && !silent) return std::nullopt;  // its end marker is still to come
    }
    if (size >= kFive) return Cut{Kind::Malformed, kFive, ReplyFormat::FiveByte};
    if (silent) return Cut{Kind::Stray, size, {}};
    return std::nullopt;
}

}  // namespace frames

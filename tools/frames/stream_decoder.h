#pragma once
// Cuts one direction of a line's byte stream into frames, as the far end would take them:
// fed with each chunk as it is read and the time it was read, it cuts by length and by
// silence (bytes that make no frame before the line falls silent for the gap are stray),
// and for five-byte replies also by the FF .. 03 markers, so that stray bytes before a reply
// do not shift it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "tools/frames/frame.h"
#include "tools/frames/protocol.h"

namespace frames {

using Clock = std::chrono::steady_clock;

enum class Direction { Commands, Replies };

struct FrameEvent {
    enum class Kind {
        Command,    // three bytes from the console: command holds them
        Reply,      // a reply with valid markers: reply holds it
        Malformed,  // five bytes in a reply's place whose markers are wrong: reply holds them
        Stray,      // bytes that make no frame
    };
    Kind kind = Kind::Stray;
    Direction direction = Direction::Commands;
    Bytes bytes;
    Clock::time_point first;  // when the chunk with the first byte was read
    Clock::time_point last;   // when the chunk with the last byte was read
    CommandFrame command;
    ReplyFrame reply;
};

class StreamDecoder {
  public:
    // gap: the silence that ends an incomplete frame. replyFormat (replies only): the format
    // the line is known to use, or nothing to tell each reply's format by its markers (an
    // FF whose fifth byte is 03 starts a five-byte reply, anything else a three-byte one).
    StreamDecoder(Direction direction, Clock::duration gap,
                  std::optional<ReplyFormat> replyFormat = std::nullopt);

    // The frames that the chunk, read at `at`, completes. Bytes held from before a silence
    // of at least the gap are settled first, as Expire does.
    std::vector<FrameEvent> Feed(const uint8_t* bytes, size_t count, Clock::time_point at);
    // Once the line has been silent for the gap: what the held bytes make. Else nothing.
    std::vector<FrameEvent> Expire(Clock::time_point now);
    // When Expire will next have something to return.
    std::optional<Clock::time_point> Deadline() const;
    // When the first byte still held was read: no event can start earlier.
    std::optional<Clock::time_point> HeldSince() const;

  private:
    struct Cut {
        FrameEvent::Kind kind;
        size_t length;
        ReplyFormat format;
    };
    // The next frame at the front of the held bytes, or nothing while more bytes could still
    // change it. silent: no more bytes will join them.
    std::optional<Cut> NextCut(bool silent) const;
    std::optional<Cut> NextFiveByteCut(bool silent) const;
    void CutAll(bool silent, std::vector<FrameEvent>& events);

    Direction direction_;
    Clock::duration gap_;
    std::optional<ReplyFormat> replyFormat_;
    Bytes held_;
    std::vector<Clock::time_point> heldAt_;  // when each held byte was read
};

}  // namespace frames

// The frame decoder on whatever a line brings, both ways and in every reply format: the
// simulator assembles the commands it reads with it, and the tap decodes both sides of a real
// line with it. The first byte picks the direction, the reply format and the mode, the second
// the gap. Then each step is a chunk read within the gap of the one before, a silence of at
// least the gap, or a look at the clock.
//
// Checked: every byte fed comes out in exactly one event, in order, and no event holds a byte
// that was not fed; an event's hex names each of its bytes; its kind fits its bytes (a command
// is three bytes; a reply has valid markers, comes back the same through ParseReply and
// ToBytes and answers its own address and letter only; a malformed reply is five bytes with a
// broken marker; stray bytes are fewer than a frame); its times are those of the chunks that
// brought its first and last byte; nothing is settled before the gap has passed, everything
// once it has; and the bytes between two silences decode as they do when fed whole. In the
// framed mode the chunks cut a stream of whole frames anywhere: exactly those frames come
// out, each as soon as its last byte is in.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "tools/frames/describe.h"
#include "tools/frames/frame.h"
#include "tools/frames/stream_decoder.h"

namespace {

using frames::Bytes;
using frames::Clock;
using frames::Direction;
using frames::FrameEvent;
using frames::ReplyFormat;
using Kind = FrameEvent::Kind;
using std::chrono::milliseconds;

struct Line {
    Direction direction = Direction::Commands;
    std::optional<ReplyFormat> format;
    milliseconds gap{1};
};

std::string Hex(const Bytes& bytes) {
    std::string text;
    for (const uint8_t byte : bytes) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", byte);
        text += (text.empty() ? "" : " ") + std::string(two);
    }
    return text;
}

// Stray bytes are fewer than the bytes that would have made a frame; before a five-byte
// reply's start marker, up to four.
size_t StrayBelow(const Line& line) {
    const bool five = line.direction == Direction::Replies && line.format == ReplyFormat::FiveByte;
    return five ? 5 : 3;
}

void CheckEvent(const FrameEvent& e, const Line& line) {
    const size_t n = e.bytes.size();
    REQUIRE(n > 0 && e.direction == line.direction);
    REQUIRE(frames::HexBytes(e.bytes) == Hex(e.bytes));
    const std::string text = frames::Describe(e);
    REQUIRE(!text.empty() && fuzz::ValidUtf8(text));
    REQUIRE(e.first <= e.last);
    switch (e.kind) {
        case Kind::Command: {
            REQUIRE(line.direction == Direction::Commands && n == frames::kCommandLength);
            const auto bytes = e.command.ToBytes();
            REQUIRE(Bytes(bytes.begin(), bytes.end()) == e.bytes);
            break;
        }
        case Kind::Reply: {
            REQUIRE(line.direction == Direction::Replies && (n == 3 || n == 5));
            REQUIRE(!line.format || n == static_cast<size_t>(*line.format));
            const auto format = static_cast<ReplyFormat>(n);
            const auto parsed = frames::ParseReply(e.bytes.data(), n, format);
            REQUIRE(parsed && parsed->MarkersValid() && parsed->ToBytes() == e.bytes);
            REQUIRE(e.reply.format == format && e.reply.ToBytes() == e.bytes);
            const uint8_t address = e.bytes[n == 5 ? 1 : 0];
            const uint8_t letter = e.bytes[n == 5 ? 2 : 1];
            REQUIRE(frames::IsAnswerTo(e.reply, address, letter));
            REQUIRE(!frames::IsAnswerTo(e.reply, address ^ 1, letter));
            REQUIRE(!frames::IsAnswerTo(e.reply, address, letter ^ 1));
            break;
        }
        case Kind::Malformed:
            REQUIRE(line.direction == Direction::Replies && line.format == ReplyFormat::FiveByte);
            REQUIRE(n == 5 &&
                    (e.bytes[0] != frames::kStartMarker || e.bytes[4] != frames::kEndMarker));
            REQUIRE(e.reply.ToBytes() == e.bytes && !e.reply.MarkersValid());
            REQUIRE(!frames::IsAnswerTo(e.reply, e.reply.address, e.reply.letter));
            break;
        case Kind::Stray:
            REQUIRE(n < StrayBelow(line));
            break;
    }
}

// A frame with these three fields, as the line carries it.
Bytes Frame(const Line& line, uint8_t address, uint8_t letter, uint8_t data) {
    if (line.direction == Direction::Commands || line.format == ReplyFormat::ThreeByte)
        return {address, letter, data};
    // With the format not known, only five-byte replies are whole frames whatever their
    // fields: a three-byte one from address FF may be the start of a five-byte one.
    return {frames::kStartMarker, address, letter, data, frames::kEndMarker};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t setup = in.Byte();
    Line line;
    line.direction = (setup & 1) ? Direction::Replies : Direction::Commands;
    if (((setup >> 1) & 3) == 1) line.format = ReplyFormat::ThreeByte;
    if (((setup >> 1) & 3) == 2) line.format = ReplyFormat::FiveByte;
    const bool framed = setup & 8;
    line.gap = milliseconds(1 + in.Byte() % 50);

    frames::StreamDecoder decoder(line.direction, line.gap, line.format);
    std::vector<FrameEvent> events;
    const auto collect = [&](std::vector<FrameEvent> got) {
        for (FrameEvent& e : got) {
            CheckEvent(e, line);
            events.push_back(std::move(e));
        }
    };

    Bytes fed;  // every byte fed, with the time of its chunk
    std::vector<Clock::time_point> fedAt;
    std::vector<size_t> silences{0};  // where in `fed` the line fell silent
    Clock::time_point now{};
    Clock::time_point lastFed{};
    bool quiet = true;  // silent for the gap since the last byte (or nothing came yet)
    // A time `step` on, within the gap of the last byte unless the line is quiet.
    const auto later = [&](Clock::duration step) {
        const Clock::time_point at = now + step;
        return quiet ? at : std::min(at, lastFed + line.gap - milliseconds(1));
    };

    // The framed mode: frames built and not fed yet, and every frame.
    Bytes pending;
    std::vector<Bytes> frameList;
    std::vector<size_t> frameEnds{0};

    const auto feed = [&](const uint8_t* bytes, size_t count, Clock::time_point at) {
        now = at;
        collect(decoder.Feed(bytes, count, at));
        if (count > 0) {
            fed.insert(fed.end(), bytes, bytes + count);
            fedAt.insert(fedAt.end(), count, at);
            lastFed = at;
            quiet = false;
        }
        const auto deadline = decoder.Deadline();
        if (deadline) REQUIRE(*deadline == lastFed + line.gap);
        // Whole frames are cut as soon as their last byte is in: what is held is the start of
        // the next one.
        if (framed) {
            const bool between = std::count(frameEnds.begin(), frameEnds.end(), fed.size()) > 0;
            REQUIRE(deadline.has_value() == !between);
        } else if (line.direction == Direction::Commands || line.format == ReplyFormat::ThreeByte) {
            REQUIRE(deadline.has_value() == ((fed.size() - silences.back()) % 3 != 0));
        }
    };

    while (!in.Empty()) {
        const uint8_t step = in.Byte();
        if (step >= 0xF0 && !framed) {
            // The line falls silent: nothing held is settled a moment before the gap has
            // passed, and everything once it has (here, or by the next chunk).
            if (const auto deadline = decoder.Deadline()) {
                REQUIRE(decoder.Expire(*deadline - Clock::duration(1)).empty());
                if (step & 1) {
                    collect(decoder.Expire(*deadline));
                    REQUIRE(!decoder.Deadline());
                }
            }
            now = std::max(now, lastFed + line.gap) + milliseconds(step & 6);
            quiet = true;
            silences.push_back(fed.size());
        } else if (step >= 0xE0) {
            // A look at the clock: within the gap nothing is settled.
            const Clock::time_point at = later(milliseconds(step & 0x0F));
            auto got = decoder.Expire(at);
            if (!quiet) REQUIRE(got.empty());
            collect(std::move(got));
            now = at;
        } else if (!framed) {
            const std::string_view chunk = in.Take(step % 16);
            feed(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(),
                 later(milliseconds((step >> 4) % line.gap.count())));
        } else if (step & 1) {
            const uint8_t address = in.Byte();
            const uint8_t letter = in.Byte();
            frameList.push_back(Frame(line, address, letter, in.Byte()));
            pending.insert(pending.end(), frameList.back().begin(), frameList.back().end());
            frameEnds.push_back(frameEnds.back() + frameList.back().size());
        } else {
            const size_t count = std::min<size_t>((step >> 1) % 16, pending.size());
            feed(pending.data(), count, later(milliseconds((step >> 5) % line.gap.count())));
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(count));
        }
    }
    if (!pending.empty()) feed(pending.data(), pending.size(), later(milliseconds(0)));
    if (const auto deadline = decoder.Deadline()) collect(decoder.Expire(*deadline));
    REQUIRE(!decoder.Deadline());

    // Every byte in exactly one event, in order, with the times of its chunks.
    size_t at = 0;
    for (const FrameEvent& e : events) {
        REQUIRE(at + e.bytes.size() <= fed.size());
        REQUIRE(std::equal(e.bytes.begin(), e.bytes.end(), fed.begin() + static_cast<long>(at)));
        REQUIRE(e.first == fedAt[at] && e.last == fedAt[at + e.bytes.size() - 1]);
        at += e.bytes.size();
    }
    REQUIRE(at == fed.size());

    // The same bytes between silences, fed whole to a fresh decoder, decode the same.
    silences.push_back(fed.size());
    size_t next = 0;
    for (size_t i = 0; i + 1 < silences.size(); ++i) {
        if (silences[i] == silences[i + 1]) continue;
        frames::StreamDecoder whole(line.direction, line.gap, line.format);
        auto got = whole.Feed(fed.data() + silences[i], silences[i + 1] - silences[i], {});
        for (FrameEvent& e : whole.Expire(Clock::time_point{} + line.gap)) got.push_back(e);
        for (const FrameEvent& e : got) {
            REQUIRE(next < events.size());
            REQUIRE(events[next].kind == e.kind && events[next].bytes == e.bytes);
            ++next;
        }
    }
    REQUIRE(next == events.size());

    if (framed) {
        REQUIRE(events.size() == frameList.size());
        for (size_t i = 0; i < events.size(); ++i) {
            REQUIRE(events[i].kind != Kind::Stray && events[i].kind != Kind::Malformed);
            REQUIRE(events[i].bytes == frameList[i]);
        }
    }
    return 0;
}

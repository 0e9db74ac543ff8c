// How a line's byte stream is cut into frames: by length, by silence and, for five-byte
// replies, by their markers; with the time stamps of each frame's first and last byte. And
// how the tap reads a line: replies as the console assembles them.

#include "tools/frames/stream_decoder.h"

#include <gtest/gtest.h>

#include "tests/tools/line_traffic.h"
#include "tools/frames/describe.h"

#include <string>
#include <vector>

namespace {

using frames::Direction;
using frames::FrameEvent;
using frames::ReplyFormat;
using Kind = FrameEvent::Kind;
using std::chrono::milliseconds;

struct Step {
    int atMs;
    frames::Bytes bytes;  // empty: only the clock moves on (Expire)
};

struct Expected {
    Kind kind;
    std::string hex;
    int firstMs;
    int lastMs;
};

struct Case {
    const char* name;
    Direction direction;
    std::optional<ReplyFormat> format;
    std::vector<Step> steps;
    std::vector<Expected> events;
};

std::string Show(const Expected& e) {
    static const char* kKinds[] = {"command", "reply", "malformed", "stray"};
    return std::string(kKinds[static_cast<int>(e.kind)]) + " " + e.hex + " @" +
           std::to_string(e.firstMs) + ".." + std::to_string(e.lastMs);
}

TEST(StreamDecoder, CutsFramesByLengthSilenceAndMarkers) {
    constexpr auto C = Direction::Commands;
    constexpr auto R = Direction::Replies;
    constexpr auto k3 = ReplyFormat::ThreeByte;
    constexpr auto k5 = ReplyFormat::FiveByte;
    const Case cases[] = {
        {"a slow command: each byte within the gap of the one before",
         C,
         {},
         {{0, {0x01, 0x44, 0x00, 0x01}}, {8, {0x45}}, {16, {0x00}}},
         {{Kind::Command, "01 44 00", 0, 0}, {Kind::Command, "01 45 00", 0, 16}}},
        {"a silence drops the partial command before the next one",
         C,
         {},
         {{0, {0x00}}, {30, {0x01, 0x44, 0x00}}},
         {{Kind::Stray, "00", 0, 0}, {Kind::Command, "01 44 00", 30, 30}}},
        {"a partial command is held until the gap has passed",
         C,
         {},
         {{0, {0x01, 0x44}}, {9, {}}, {10, {}}},
         {{Kind::Stray, "01 44", 0, 0}}},
        {"stray bytes before a five-byte reply that ends in the next chunk",
         R,
         k5,
         {{0, {0x00, 0x00, 0xFF, 0x01, 0x44}}, {1, {0x80, 0x03}}},
         {{Kind::Stray, "00 00", 0, 0}, {Kind::Reply, "FF 01 44 80 03", 0, 1}}},
        {"stray start marker before a five-byte reply",
         R,
         k5,
         {{0, {0xFF, 0xFF, 0x01, 0x44, 0x80, 0x03}}},
         {{Kind::Stray, "FF", 0, 0}, {Kind::Reply, "FF 01 44 80 03", 0, 0}}},
        {"a data byte FF is no start marker",
         R,
         k5,
         {{0, {0xFF, 0x01, 0x44, 0xFF, 0x03}}},
         {{Kind::Reply, "FF 01 44 FF 03", 0, 0}}},
        {"wrong markers make a malformed reply",
         R,
         k5,
         {{0, {0xFE, 0x01, 0x44, 0x80, 0x02}}},
         {{Kind::Malformed, "FE 01 44 80 02", 0, 0}}},
        {"three-byte replies where five are expected",
         R,
         k5,
         {{0, {0x01, 0x44, 0x80}}, {20, {0x01, 0x44, 0x80, 0x01, 0x44, 0x80}}, {40, {}}},
         {{Kind::Stray, "01 44 80", 0, 0},
          {Kind::Malformed, "01 44 80 01 44", 20, 20},
          {Kind::Stray, "80", 20, 20}}},
        {"a reply split by a pause longer than the gap",
         R,
         k5,
         {{0, {0xFF}}, {20, {0x01, 0x44, 0x80, 0x03}}, {40, {}}},
         {{Kind::Stray, "FF", 0, 0}, {Kind::Stray, "01 44 80 03", 20, 20}}},
        {"three-byte format takes any three bytes",
         R,
         k3,
         {{0, {0xFF, 0x01, 0x44, 0x80, 0x03}}, {20, {}}},
         {{Kind::Reply, "FF 01 44", 0, 0}, {Kind::Stray, "80 03", 0, 0}}},
        {"detected: markers make a five-byte reply, else three",
         R,
         {},
         {{0, {0x01, 0x44, 0x80}}, {20, {0xFF, 0x01, 0x44}}, {21, {0x80, 0x03}}},
         {{Kind::Reply, "01 44 80", 0, 0}, {Kind::Reply, "FF 01 44 80 03", 20, 21}}},
        {"detected: address FF in a three-byte reply, told at the silence",
         R,
         {},
         {{0, {0xFF, 0x44, 0x80}}, {9, {}}, {10, {}}},
         {{Kind::Reply, "FF 44 80", 0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frames::StreamDecoder decoder(c.direction, milliseconds(10), c.format);
        const frames::Clock::time_point t0{};
        std::vector<std::string> seen;
        for (const Step& step : c.steps) {
            const auto at = t0 + milliseconds(step.atMs);
            const auto events = step.bytes.empty()
                                    ? decoder.Expire(at)
                                    : decoder.Feed(step.bytes.data(), step.bytes.size(), at);
            for (const FrameEvent& e : events) {
                seen.push_back(Show({e.kind, frames::HexBytes(e.bytes),
                                     static_cast<int>((e.first - t0) / milliseconds(1)),
                                     static_cast<int>((e.last - t0) / milliseconds(1))}));
                // The parsed fields are the bytes, markers apart.
                if (e.kind == Kind::Command) {
                    const auto bytes = e.command.ToBytes();
                    EXPECT_EQ(frames::Bytes(bytes.begin(), bytes.end()), e.bytes);
                } else if (e.kind != Kind::Stray) {
                    EXPECT_EQ(e.reply.ToBytes(), e.bytes);
                    EXPECT_EQ(e.reply.MarkersValid(), e.kind == Kind::Reply);
                }
            }
        }
        std::vector<std::string> expected;
        for (const Expected& e : c.events) expected.push_back(Show(e));
        EXPECT_EQ(seen, expected);
        EXPECT_EQ(decoder.Deadline(), std::nullopt) << "bytes left held";
    }
}

}  // namespace

// The tap's decoder against the console's own reply assembly (console::ControllerProtocol):
// the same traffic, played to both as tests/tools/line_traffic.h describes, must give the
// same replies with the same status line, and the tap's lines must say how each arrived.
namespace {

using traffic::Micros;
using TrafficStep = traffic::Step;

TrafficStep Click(int atUs, char letter, uint8_t data = 0) {
    return {Micros(atUs), TrafficStep::Kind::Click, static_cast<uint8_t>(letter), data, {}};
}
TrafficStep Device(int atUs, frames::Bytes bytes) {
    return {Micros(atUs), TrafficStep::Kind::Device, 0, 0, std::move(bytes)};
}
TrafficStep ErrorByte(int atUs) {
    return {Micros(atUs), TrafficStep::Kind::ErrorByte, 0, 0, {}};
}

struct Played {
    const char* name;
    bool fiveByte;
    int32_t controllerNumber;
    std::optional<ReplyFormat> tapFormat;
    std::vector<TrafficStep> steps;
    // Lines the tap must print, in this order, among others.
    std::vector<std::string> lines;
    size_t replies;  // how many the console decodes
    int errorQueryLatencyUs = 0;
    bool sameFormat = true;  // the replies come in the console's format
};

TEST(LineDecoder, ReadsRepliesAsTheConsoleAssemblesThem) {
    constexpr auto k5 = ReplyFormat::FiveByte;
    constexpr auto k3 = ReplyFormat::ThreeByte;
    const Played cases[] = {
        {"a reply split by 30 ms is one reply, learned as five-byte",
         true,
         1,
         {},
         {Click(0, 'D'), Device(1000, {0xFF}), Device(31000, {0x01, 0x44, 0x80, 0x03})},
         {"-> 01 44 00        to 1: D status request",
          "-- replies read as five-byte: FF 01 44 80 03 answers 01 44 00",
          "<- FF 01 44 80 03  from 1: D status 80: ready; in 2 pieces, the longest gap 30.0 ms "
          "after byte 1; console: \"[n] OK - D (запрос статуса)\" blue"},
         1},
        {"the same with --format 5",
         true,
         1,
         k5,
         {Click(0, 'D'), Device(1000, {0xFF}), Device(31000, {0x01, 0x44, 0x80, 0x03})},
         {"<- FF 01 44 80 03  from 1: D status 80: ready; in 2 pieces"},
         1},
        {"broken markers after D make a five-byte reply, not one from 254",
         true,
         1,
         {},
         {Click(0, 'D'), Device(1000, {0xFE, 0x01, 0x44, 0x80, 0x02})},
         {"-- replies read as five-byte: FE 01 44 80 02 answers 01 44 00",
          "<- FE 01 44 80 02  malformed reply (start FE, end 02): from 1: D status 80: ready; "
          "in one piece; console: \"[n] OK - D (запрос статуса)\" blue"},
         1},
        {"three-byte replies are learned as such",
         false,
         1,
         {},
         {Click(0, 'D'), Device(1000, {0x01, 0x44, 0x80}), Click(10000, 'E'),
          Device(11000, {0x01, 0x45, 0x00})},
         {"-- replies read as three-byte: 01 44 80 answers 01 44 00",
          "<- 01 44 80        from 1: D status 80: ready",
          "<- 01 45 00        from 1: E error 0: нет ошибки; in one piece; console: \"[n] "
          "Ошибка: нет ошибки\" green"},
         2},
        {"of two replies in one chunk the console takes the first",
         true,
         1,
         k5,
         {Click(0, 'D'),
          Device(1000, {0xFF, 0x01, 0x44, 0x80, 0x03, 0xFF, 0x01, 0x44, 0x80, 0x03})},
         {"<- FF 01 44 80 03  from 1: D",
          "<- FF 01 44 80 03  stray bytes, dropped: after the reply in the same chunk"},
         1},
        {"a chunk too long for the rest of the reply starts a new one",
         true,
         1,
         k5,
         {Click(0, 'D'), Device(1000, {0x00, 0x00}), Device(5000, {0xFF, 0x01, 0x44, 0x80, 0x03}),
          Click(10000, 'D'), Device(11000, {0xFF, 0x01}),
          Device(13000, {0x44, 0x80, 0x03, 0xFF, 0x01, 0x44})},
         {"<- 00 00           stray bytes, dropped: the next chunk overflowed the reply",
          "<- FF 01 44 80 03  from 1: D status 80: ready",
          "<- FF 01           stray bytes, dropped: the next chunk overflowed the reply",
          "<- 44 80 03 FF 01  malformed reply (start 44, end 01): from 128: 03h data FFh (not "
          "interpreted); in one piece; console: \"[n] Пришла неизвестная команда: 03h "
          "(\"\xEF\xBF\xBD\")\" maroon",
          "<- 44              stray bytes, dropped: after the reply in the same chunk"},
         2},
        {"a command between two chunks of a reply drops the first",
         true,
         1,
         {},
         {Click(0, 'D'), Device(1000, {0xFF, 0x01, 0x44}), Click(5000, 'O'),
          Device(6000, {0x80, 0x03})},
         {"<- FF 01 44        incomplete reply (3 of 5 bytes), dropped at the next command",
          "-> 01 4F 00        to 1: O transit"},
         0},
        {"a command read while the chunk is still open goes before it",
         true,
         1,
         k5,
         {Click(0, 'D'), Device(1000, {0xFF, 0x01, 0x44}), Click(1500, 'O'),
          Device(1900, {0x80, 0x03})},
         {"<- FF 01 44 80 03  from 1: D status 80: ready; in 2 pieces, the longest gap 0.90 ms "
          "after byte 3"},
         1},
        {"a command read after the chunk was handed over drops it",
         true,
         1,
         k5,
         {Click(0, 'D'), Device(1000, {0xFF, 0x01, 0x44}), Click(2100, 'O'),
          Device(2200, {0x80, 0x03})},
         {"<- FF 01 44        incomplete reply (3 of 5 bytes), dropped at the next command"},
         0},
        {"the error query a status sends by itself starts the next reply when the status is "
         "decoded, not when the query shows on the line",
         true,
         1,
         k5,
         {Click(0, 'D'), Device(1000, {0xFF, 0x01, 0x44, 0xC0, 0x03}), Device(2100, {0xFF, 0x01}),
          Device(5000, {0x45, 0x01, 0x03})},
         {"<- FF 01 44 C0 03  from 1: D status C0: error present, ready",
          "<- FF 01 45 01 03  from 1: E error 1: Ошибка связи (приема); in 2 pieces",
          "-> 01 45 00        to 1: E read the error code"},
         2,
         1500},
        {"a J reply gives the console the address it expects",
         true,
         1,
         {},
         {Click(0, 'J'), Device(1000, {0xFF, 0x01, 0x4A, 0x03, 0x03}), Click(10000, 'D'),
          Device(11000, {0xFF, 0x03, 0x44, 0x80, 0x03}), Click(20000, 'D'),
          Device(21000, {0xFF, 0x02, 0x44, 0x80, 0x03})},
         {"console: \"[n] OK - J (чтение адреса (идентификатора))\" blue",
          "-> 03 44 00        to 3: D status request",
          "from 3: D status 80: ready; in one piece; console: \"[n] OK - D (запрос статуса)\" blue",
          "from 2: D status 80: ready; in one piece; console: \"[n] OK - D (запрос статуса)\" "
          "maroon"},
         3},
        {"five-byte replies to a console set to three bytes",
         false,
         1,
         k3,
         {Click(0, 'D'), Device(1000, {0xFF, 0x01, 0x44, 0x80, 0x03})},
         {"<- FF 01 44        from 255: 01h data 44h (not interpreted); in one piece; console: "
          "\"[n] Пришла неизвестная команда: 01h (\"\xEF\xBF\xBD\")\" maroon",
          "<- 80 03           stray bytes, dropped: after the reply in the same chunk"},
         1},
        {"the faulty single byte does not start a new reply; lines keep the bytes' order",
         true,
         1,
         k5,
         {Click(0, 'D'), Device(1000, {0xFF, 0x01}), ErrorByte(10000),
          Device(40000, {0x44, 0x80, 0x03})},
         {"<- FF 01 44 80 03  from 1: D status 80: ready; in 2 pieces, the longest gap 39.0 ms "
          "after byte 2",
          "-> 00              incomplete command"},
         1},
        {"a reply that makes a line wait too long is shown so far",
         true,
         1,
         k5,
         {Click(0, 'D'), Device(1000, {0x01, 0x44, 0x80}), ErrorByte(10000), Click(300000, 'D')},
         {"<- 01 44 80        incomplete reply so far (3 of 5 bytes): the console waits",
          "-> 00              incomplete command",
          "incomplete reply (3 of 5 bytes), dropped at the next command (the first 3 shown "
          "before)"},
         0},
        {"the tap changes its mind when the replies change format",
         true,
         1,
         {},
         {Click(0, 'D'), Device(1000, {0x01, 0x44, 0x80}), Click(10000, 'D'),
          Device(11000, {0xFF, 0x01, 0x44, 0x80, 0x03})},
         {"-- replies read as three-byte: 01 44 80 answers 01 44 00",
          "-- replies now read as five-byte, no longer three-byte: FF 01 44 80 03 answers 01 44 00",
          "<- FF 01 44 80 03  from 1: D status 80: ready"},
         1,
         0,
         false},
    };
    for (const Played& c : cases) {
        SCOPED_TRACE(c.name);
        const traffic::Played played = traffic::Play(c.steps, c.fiveByte, c.controllerNumber,
                                                     c.tapFormat, Micros(c.errorQueryLatencyUs));
        std::vector<std::string> console;
        for (const traffic::Shown& shown : played.console) console.push_back(traffic::Show(shown));
        std::vector<std::string> tap;
        for (const traffic::Shown& shown : played.tap) tap.push_back(traffic::Show(shown));
        EXPECT_EQ(console.size(), c.replies);
        if (c.sameFormat) {
            EXPECT_EQ(tap, console);
        }

        std::string lines;
        size_t next = 0;
        frames::Clock::time_point last{};
        for (const frames::LineEvent& event : played.lines) {
            const std::string line = frames::Describe(event);
            lines += line + "\n";
            if (next < c.lines.size() && line.find(c.lines[next]) != std::string::npos) ++next;
            EXPECT_GE(event.at, last) << "out of order: " << line;
            last = event.at;
        }
        EXPECT_EQ(next, c.lines.size())
            << "missing: " << c.lines[std::min(next, c.lines.size() - 1)] << "\nlines:\n"
            << lines;
    }
}

}  // namespace

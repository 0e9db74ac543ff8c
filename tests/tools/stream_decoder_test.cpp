// How a line's byte stream is cut into frames: by length, by silence and, for five-byte
// replies, by their markers; with the time stamps of each frame's first and last byte.

#include "tools/frames/stream_decoder.h"

#include <gtest/gtest.h>

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

// The tap's decoder against the console's own reply assembly: the same traffic of clicks and
// reply bytes, cut anywhere and with any gaps, is played to console::ControllerProtocol and
// to frames::LineDecoder as tests/tools/line_traffic.h describes. The first bytes choose the
// console's format and address, whether the tap is given the format or learns it, and how
// long the error query a status asks for takes to reach the line.
//
// With the format given, the device sends anything: garbage, replies in either format, bytes
// of several replies run together, and the console's faulty single byte stands alone (no
// other byte within 20 ms after it: a byte closer than that joins it into a command, for the
// controller and the tap alike). When the tap learns the format, the device answers commands
// as a controller in the console's format does (any address, markers broken or not), each
// answer cut into pieces with any gaps, a later command allowed to cut in.
//
// Checked: the tap names the same replies, with the same status line text and colour (once it
// knows the console's address), as the console decodes, all of them with the format given,
// and when it learns the format, all of them up to a change of mind (which only traffic that
// reads either way brings); every byte from either side is in exactly one line; the lines come
// in the order of their times; every text is valid UTF-8.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "tests/tools/line_traffic.h"
#include "tools/frames/describe.h"

namespace {

using frames::LineEvent;
using traffic::Micros;
using traffic::Step;

constexpr uint8_t kLetters[] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H',
                                'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P'};

// Gaps around the console's 1 ms silence in fine steps, and longer ones in coarse steps.
Micros Gap(fuzz::Input& in) {
    const uint8_t b = in.Byte();
    if (b < 0x80) return Micros(b * 20);
    if (b < 0xE0) return Micros((b - 0x80) * 1000);
    return Micros((b - 0xE0) * 25000);
}

Step Click(fuzz::Input& in, Micros at) {
    Step step{at, Step::Kind::Click, kLetters[in.Byte() % std::size(kLetters)], 0, {}};
    if (step.letter == 'A' || step.letter == 'B') step.data = 1 + (in.Byte() & 1);
    if (step.letter == 'I') step.data = in.Byte();
    return step;
}

// Anything from the device; the faulty byte alone, 20 ms clear of any other.
std::vector<Step> AnyTraffic(fuzz::Input& in, Micros latency) {
    std::vector<Step> steps;
    Micros at{0};
    Micros quietUntil{0};
    while (!in.Empty()) {
        const uint8_t op = in.Byte();
        at = std::max(at + Gap(in), quietUntil);
        if (op < 0x40) {
            steps.push_back(Click(in, at));
        } else if (op < 0x48) {
            // Clear of the chunk before it too, which may still send the error query.
            if (!steps.empty()) at = std::max(at, steps.back().at + Micros(1001) + latency);
            steps.push_back({at, Step::Kind::ErrorByte, 0, 0, {}});
            quietUntil = at + Micros(20001);
        } else {
            const std::string_view bytes = in.Take(op & 7);
            steps.push_back(
                {at, Step::Kind::Device, 0, 0, frames::Bytes(bytes.begin(), bytes.end())});
        }
    }
    return steps;
}

// Clicks and a controller's answers in the console's format, each answer in pieces. The
// first answer is whole before the next click, as Start's status request is answered: the
// tap learns the format from it. Addresses are never a letter's code, and a reply from
// another address has its markers, so that a reply never answers as both formats at once.
std::vector<Step> Answers(fuzz::Input& in, bool fiveByte, uint8_t address, Micros latency) {
    std::vector<Step> clicks;
    std::vector<Step> pieces;
    Micros at{0};
    Micros deviceFree{0};
    while (!in.Empty()) {
        at += Gap(in);
        if (clicks.size() == 1) {
            at = std::max(at, deviceFree + Micros(1001) + latency);
        }
        const Step click = Click(in, at);
        clicks.push_back(click);
        const uint8_t shape = in.Byte();
        if ((shape & 1) && clicks.size() > 1) continue;  // no answer
        const uint8_t from = (shape & 2) ? in.Byte() % 0x41 : address;
        const uint8_t data = in.Byte();
        frames::Bytes reply{from, click.letter, data};
        if (fiveByte) {
            // Broken markers from another address answer as both formats: not both at once.
            const bool broken = (shape & 4) && from == address;
            reply.insert(reply.begin(), broken ? in.Byte() : frames::kStartMarker);
            reply.push_back(broken ? in.Byte() : frames::kEndMarker);
        }
        Micros next = std::max(at + Gap(in), deviceFree);
        for (size_t sent = 0; sent < reply.size();) {
            const size_t count =
                std::min<size_t>(1 + in.Byte() % reply.size(), reply.size() - sent);
            pieces.push_back({next, Step::Kind::Device, 0, 0,
                              frames::Bytes(reply.begin() + sent, reply.begin() + sent + count)});
            sent += count;
            deviceFree = next;
            next += Gap(in);
        }
    }
    std::vector<Step> steps;
    std::merge(clicks.begin(), clicks.end(), pieces.begin(), pieces.end(),
               std::back_inserter(steps), [](const Step& a, const Step& b) { return a.at < b.at; });
    return steps;
}

size_t Count(const std::vector<Step>& steps, Step::Kind kind) {
    size_t n = 0;
    for (const Step& step : steps) {
        if (step.kind == kind) n += kind == Step::Kind::Device ? step.bytes.size() : 1;
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t setup = in.Byte();
    const bool fiveByte = setup & 1;
    const bool learn = setup & 2;
    const Micros latency(in.Byte() * 10);
    // Never a letter's code: a command cut from the wrong bytes then never names a letter.
    const uint8_t address = in.Byte() % 0x41;
    const auto format = fiveByte ? frames::ReplyFormat::FiveByte : frames::ReplyFormat::ThreeByte;

    const std::vector<Step> steps =
        learn ? Answers(in, fiveByte, address, latency) : AnyTraffic(in, latency);
    const traffic::Played played = traffic::Play(
        steps, fiveByte, address, learn ? std::nullopt : std::optional(format), latency);
    // Error queries can still follow a faulty byte closer than the traffic was made to; such
    // traffic is outside what the tap reads as the console does.
    if (!played.loneErrorBytes) return 0;

    // A change of mind after the first lesson comes from traffic that reads either way; up to
    // it, the tap follows the console exactly.
    size_t compared = 0;
    size_t lessons = 0;
    bool changed = false;
    for (const LineEvent& line : played.lines) {
        if (line.kind == LineEvent::Kind::Format) ++lessons;
        if (line.kind != LineEvent::Kind::Reply) continue;
        changed = changed || line.format != format;
        if (!changed) ++compared;
    }
    if (lessons < 2) REQUIRE(played.tap.size() == played.console.size());
    REQUIRE(played.console.size() >= compared);
    for (size_t i = 0; i < compared; ++i) {
        const traffic::Shown& tap = played.tap[i];
        const traffic::Shown& console = played.console[i];
        REQUIRE(tap.bytes == console.bytes);
        REQUIRE(tap.text == console.text);
        if (tap.colour) REQUIRE(tap.colour == console.colour);
    }

    // Every byte in one line: what a line shows again (a reply shown so far, or read anew after
    // a change of mind) says so.
    size_t fromDevice = 0;
    size_t fromConsole = 0;
    frames::Clock::time_point last{};
    for (const LineEvent& line : played.lines) {
        REQUIRE(line.at >= last);
        last = line.at;
        REQUIRE(fuzz::ValidUtf8(frames::Describe(line)));
        switch (line.kind) {
            case LineEvent::Kind::Command:
            case LineEvent::Kind::IncompleteCommand:
                fromConsole += line.bytes.size();
                break;
            case LineEvent::Kind::Reply:
                REQUIRE(line.bytes.size() == static_cast<size_t>(line.format));
                [[fallthrough]];
            case LineEvent::Kind::Dropped:
                REQUIRE(line.assembled.shownBefore <= line.bytes.size());
                fromDevice += line.bytes.size() - line.assembled.shownBefore;
                break;
            default:
                break;
        }
    }
    // After a change of mind the sides differ in what they have gathered.
    if (lessons < 2) REQUIRE(fromDevice == Count(steps, Step::Kind::Device));
    REQUIRE(fromConsole == played.consoleBytes);
    REQUIRE(played.consoleBytes >=
            3 * Count(steps, Step::Kind::Click) + Count(steps, Step::Kind::ErrorByte));
    return 0;
}

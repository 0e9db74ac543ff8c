#include "tools/frames/describe.h"

#include <cstdio>

namespace frames {
namespace {

// The hex of a five-byte frame, so that the meanings line up.
constexpr size_t kHexWidth = 14;

std::string Hex(uint8_t byte) {
    return HexBytes(&byte, 1) + "h";
}

std::string Decimal(uint8_t byte) {
    return std::to_string(byte);
}

// What a command's data byte asks for, given what the command takes.
std::string CommandData(const CommandInfo& info, uint8_t data) {
    switch (info.data) {
        case DataMeaning::Light:
            if (data == 1) return " red";
            if (data == 2) return " green";
            return ", invalid data " + Hex(data) + " (1 red, 2 green)";
        case DataMeaning::Timeout:
            return " " + TimeoutText(data);
        case DataMeaning::SpeedCode:
            if (const auto baud = BaudForSpeedCode(data)) {
                return " " + std::to_string(*baud) + " (code " + Decimal(data) + ")";
            }
            return ", invalid speed code " + Decimal(data);
        case DataMeaning::Address:
            return " " + Decimal(data);
        default:
            return data == 0 ? "" : ", data " + Hex(data);
    }
}

std::string Arrow(const char* arrow, const Bytes& bytes) {
    std::string hex = HexBytes(bytes);
    if (hex.size() < kHexWidth) hex.resize(kHexWidth, ' ');
    return arrow + hex + "  ";
}

std::string ConsoleText(const ConsoleStatus& console) {
    std::string text = "console: \"[n] " + console.text + "\" ";
    if (console.colour) return text + ColourName(*console.colour);
    return text + "blue if from the console's address (not seen yet), else maroon";
}

std::string Dropped(const LineEvent& event) {
    const Assembled& a = event.assembled;
    const std::string share = std::to_string(a.bytes.size()) + " of " +
                              std::to_string(static_cast<int>(event.format)) + " bytes";
    std::string text;
    switch (a.kind) {
        case Assembled::Kind::Overflowed:
            text = "stray bytes, dropped: the next chunk overflowed the reply";
            break;
        case Assembled::Kind::BeyondReply:
            text = "stray bytes, dropped: after the reply in the same chunk";
            break;
        case Assembled::Kind::CutByCommand:
            text = "incomplete reply (" + share + "), dropped at the next command";
            break;
        case Assembled::Kind::Unfinished:
            text = "incomplete reply (" + share + ") at the end";
            break;
        case Assembled::Kind::SoFar:
            text = "incomplete reply so far (" + share + "): the console waits for the rest";
            break;
        case Assembled::Kind::Reply:
            break;
    }
    return text;
}

}  // namespace

std::string TimeoutText(uint8_t units) {
    return Decimal(units) + " (" + std::to_string(units * kTimeoutUnitMs) + " ms)";
}

std::string LetterText(uint8_t letter) {
    if (letter >= 0x21 && letter < 0x7F) return std::string(1, static_cast<char>(letter));
    return Hex(letter);
}

std::string DescribeStatus(uint8_t status) {
    static constexpr struct {
        uint8_t bit;
        const char* name;
    } kBits[] = {
        {kEntryRed, "entry red"},
        {kEntryGreen, "entry green"},
        {kExitRed, "exit red"},
        {kExitGreen, "exit green"},
        {kInput1, "input 1"},
        {kInput2, "input 2"},
        {kErrorPresent, "error present"},
        {kReady, "ready"},
    };
    std::string text;
    for (const auto& bit : kBits) {
        if ((status & bit.bit) == 0) continue;
        text += text.empty() ? ": " : ", ";
        text += bit.name;
    }
    return HexBytes(&status, 1) + (text.empty() ? ": no bits set" : text);
}

std::string DescribeCommand(const CommandFrame& command) {
    std::string text = "to " + Decimal(command.address) + ": " + LetterText(command.letter) + " ";
    const CommandInfo* info = FindCommand(command.letter);
    if (!info)
        return text + "no such command" + (command.data ? ", data " + Hex(command.data) : "");
    return text + info->asks + CommandData(*info, command.data);
}

std::string DescribeReply(const ReplyFrame& reply) {
    std::string text = "from " + Decimal(reply.address) + ": " + LetterText(reply.letter) + " ";
    switch (ReplyData(reply.letter)) {
        case DataMeaning::Status:
            return text + "status " + DescribeStatus(reply.data);
        case DataMeaning::ErrorCode:
            return text + "error " + Decimal(reply.data) + ": " + ErrorText(reply.data);
        case DataMeaning::Timeout:
            return text + "timeout " + TimeoutText(reply.data);
        case DataMeaning::Address:
            return text + "address " + Decimal(reply.data);
        default:
            return text + "data " + Hex(reply.data) + " (not interpreted)";
    }
}

std::string Describe(const FrameEvent& event) {
    switch (event.kind) {
        case FrameEvent::Kind::Command:
            return DescribeCommand(event.command);
        case FrameEvent::Kind::Reply:
            return DescribeReply(event.reply);
        case FrameEvent::Kind::Malformed:
            return "malformed reply (start " + HexBytes(&event.reply.start, 1) + ", end " +
                   HexBytes(&event.reply.end, 1) + "): " + DescribeReply(event.reply);
        case FrameEvent::Kind::Stray:
            break;
    }
    return event.direction == Direction::Commands ? "incomplete command" : "stray bytes";
}

std::string DescribeArrival(const std::vector<Clock::time_point>& at) {
    size_t pieces = at.empty() ? 0 : 1;
    Clock::duration longest{};
    size_t after = 0;
    for (size_t i = 1; i < at.size(); ++i) {
        if (at[i] == at[i - 1]) continue;
        ++pieces;
        if (at[i] - at[i - 1] > longest) {
            longest = at[i] - at[i - 1];
            after = i;
        }
    }
    if (pieces <= 1) return "in one piece";
    const double ms = std::chrono::duration<double, std::milli>(longest).count();
    char gap[32];
    std::snprintf(gap, sizeof gap, ms < 1 ? "%.2f ms" : "%.1f ms", ms);
    return "in " + std::to_string(pieces) + " pieces, the longest gap " + gap + " after byte " +
           std::to_string(after);
}

std::string Describe(const LineEvent& event) {
    const Assembled& a = event.assembled;
    const std::string shown =
        a.shownBefore ? " (the first " + std::to_string(a.shownBefore) + " shown before)" : "";
    switch (event.kind) {
        case LineEvent::Kind::Command:
            return Arrow("-> ", event.bytes) + DescribeCommand(event.command);
        case LineEvent::Kind::IncompleteCommand:
            return Arrow("-> ", event.bytes) + "incomplete command";
        case LineEvent::Kind::Reply: {
            std::string text = Arrow("<- ", event.bytes);
            if (!a.reply.MarkersValid()) {
                text += "malformed reply (start " + HexBytes(&a.reply.start, 1) + ", end " +
                        HexBytes(&a.reply.end, 1) + "): ";
            }
            return text + DescribeReply(a.reply) + "; " + DescribeArrival(a.at) + shown + "; " +
                   ConsoleText(a.console);
        }
        case LineEvent::Kind::Dropped:
            return Arrow("<- ", event.bytes) + Dropped(event) + shown;
        case LineEvent::Kind::Format:
        case LineEvent::Kind::Note:
            break;
    }
    return "-- " + event.note;
}

}  // namespace frames

#include "tools/frames/describe.h"

namespace frames {
namespace {

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

}  // namespace frames

#include "tools/frames/protocol.h"

namespace frames {
namespace {

constexpr const char* kErrorTexts[] = {
    "нет ошибки",          "Ошибка связи (приема)",  "Недопустимый код команды",
    "Недопустимые данные", "Ошибка записи в EEPROM",
};

constexpr CommandInfo kCommands[] = {
    {'A', "entry light", DataMeaning::Light, false},
    {'B', "exit light", DataMeaning::Light, false},
    {'C', "reset", DataMeaning::None, false},
    {'D', "status request", DataMeaning::None, false},
    {'E', "read the error code", DataMeaning::None, false},
    {'F', "write the timeout", DataMeaning::Timeout, false},
    {'G', "read the timeout", DataMeaning::None, false},
    {'H', "write the line speed", DataMeaning::SpeedCode, false},
    {'I', "write the address", DataMeaning::Address, true},
    {'J', "read the address", DataMeaning::None, true},
    {'K', "entry allowed (entry green, exit red)", DataMeaning::None, false},
    {'L', "exit allowed (entry red, exit green)", DataMeaning::None, false},
    {'M', "movement forbidden (both red)", DataMeaning::None, false},
    {'N', "switched off (both dark)", DataMeaning::None, false},
    {'O', "transit (both green)", DataMeaning::None, false},
};

}  // namespace

std::string ErrorText(uint8_t code) {
    if (code < std::size(kErrorTexts)) return kErrorTexts[code];
    return "Неизвестная ошибка (" + std::to_string(code) + ")";
}

const CommandInfo* FindCommand(uint8_t letter) {
    for (const CommandInfo& command : kCommands) {
        if (command.letter == letter) return &command;
    }
    return nullptr;
}

DataMeaning ReplyData(uint8_t letter) {
    switch (letter) {
        case 'A':
        case 'B':
        case 'D':
        case 'K':
        case 'L':
        case 'M':
        case 'N':
        case 'O':
            return DataMeaning::Status;
        case 'E':
            return DataMeaning::ErrorCode;
        case 'G':
            return DataMeaning::Timeout;
        case 'J':
            return DataMeaning::Address;
        default:
            return DataMeaning::Unknown;
    }
}

std::optional<uint32_t> BaudForSpeedCode(uint8_t code) {
    for (const SpeedRow& row : kSpeeds) {
        if (row.code == code) return row.baud;
    }
    return std::nullopt;
}

std::optional<uint8_t> SpeedCodeForBaud(uint32_t baud) {
    for (const SpeedRow& row : kSpeeds) {
        if (row.baud == baud) return row.code;
    }
    return std::nullopt;
}

}  // namespace frames

#include "tools/frames/console_view.h"

#include <cstdio>
#include <iterator>

#include "tools/frames/protocol.h"

namespace frames {
namespace {

struct Description {
    uint8_t letter;
    const char* text;
};

// The console's own words for the letters it names; C, F, H and P have none.
constexpr Description kDescriptions[] = {
    {'A', "управление объектом 1"},
    {'B', "управление объектом 2"},
    {'D', "запрос статуса"},
    {'E', "запрос ошибки"},
    {'G', "чтение таймаута"},
    {'I', "установка адреса (идентификатора)"},
    {'J', "чтение адреса (идентификатора)"},
    {'K', "въезд разрешен"},
    {'L', "выезд разрешен"},
    {'M', "движение запрещено (все красные)"},
    {'N', "выключено (все выключены)"},
    {'O', "транзит (все зеленые)"},
};

// The console shows printable ASCII as itself and any other byte as U+FFFD.
std::string ShownLetter(uint8_t letter) {
    if (letter >= 0x20 && letter < 0x7F) return std::string(1, static_cast<char>(letter));
    return "\xEF\xBF\xBD";
}

std::string Described(uint8_t letter) {
    const char* text = "";
    for (const Description& row : kDescriptions) {
        if (row.letter == letter) text = row.text;
    }
    return ShownLetter(letter) + " (" + text + ")";
}

}  // namespace

const char* ColourName(StatusColour colour) {
    switch (colour) {
        case StatusColour::Blue:
            return "blue";
        case StatusColour::Maroon:
            return "maroon";
        case StatusColour::Red:
            return "red";
        case StatusColour::Green:
            break;
    }
    return "green";
}

ConsoleStatus ConsoleShows(uint8_t address, uint8_t letter, uint8_t data,
                           std::optional<uint8_t> consoleAddress) {
    std::optional<StatusColour> byAddress;
    if (consoleAddress) {
        byAddress = address == *consoleAddress ? StatusColour::Blue : StatusColour::Maroon;
    }
    switch (ReplyData(letter)) {
        case DataMeaning::Status:
        case DataMeaning::Timeout:
            return {"OK - " + Described(letter), byAddress};
        case DataMeaning::ErrorCode:
            return {"Ошибка: " + ErrorText(data), data ? StatusColour::Red : StatusColour::Green};
        case DataMeaning::Address:
            return {"OK - " + Described(letter), StatusColour::Blue};
        default:
            break;
    }
    char code[4];
    std::snprintf(code, sizeof code, "%.2X", static_cast<unsigned>(letter));
    return {
        std::string("Пришла неизвестная команда: ") + code + "h (\"" + ShownLetter(letter) + "\")",
        StatusColour::Maroon};
}

bool IsConsoleLetter(uint8_t letter) {
    return letter >= 'A' && letter <= 'P';
}

}  // namespace frames

#include "console/protocol.h"

#include <cstdio>
#include <cstring>

#include "console/number_syntax.h"

namespace console {

namespace {

struct CommandRow {
    uint8_t Letter;
    const char* Description;
};

// Letters whose replies the console interprets, or that it names in the status line.
// C, F, H and P have no description.
constexpr CommandRow kCommands[] = {
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

constexpr const char* kErrorTexts[] = {
    "нет ошибки",          "Ошибка связи (приема)",  "Недопустимый код команды",
    "Недопустимые данные", "Ошибка записи в EEPROM",
};

// A letter as a one-character text. A reply may carry any byte as its letter; only printable
// ASCII is shown as itself, so that a NUL, a line break or half of a UTF-8 sequence never
// reaches the status line. Everything else shows as U+FFFD (its code is shown beside it).
std::string LetterText(uint8_t letter) {
    if (letter >= 0x20 && letter < 0x7F) return std::string(1, static_cast<char>(letter));
    return "\xEF\xBF\xBD";
}

bool IsStatusLetter(uint8_t letter) {
    return letter == 'A' || letter == 'B' || letter == 'D' || (letter >= 'K' && letter <= 'O');
}

}  // namespace

std::string CommandDescription(uint8_t letter) {
    const char* description = "";
    for (const CommandRow& row : kCommands) {
        if (row.Letter == letter) description = row.Description;
    }
    return LetterText(letter) + " (" + description + ")";
}

std::string HexDump(const uint8_t* data, size_t count) {
    std::string text;
    text.reserve(count * 3);
    char cell[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(cell, sizeof cell, "%.2X ", static_cast<unsigned>(data[i]));
        text += cell;
    }
    return text;
}

std::string ErrorText(uint8_t code) {
    if (code < std::size(kErrorTexts)) return kErrorTexts[code];
    return "Неизвестная ошибка (" + std::to_string(code) + ")";
}

StatusIndicators StateView(uint8_t status) {
    StatusIndicators view;
    // Each light's selectors are a radio pair set red first, then green: with both bits set
    // the green one clears the red one.
    view.InputGreen = (status & kEntryGreen) != 0;
    view.InputRed = (status & kEntryRed) != 0 && !view.InputGreen;
    view.OutputGreen = (status & kExitGreen) != 0;
    view.OutputRed = (status & kExitRed) != 0 && !view.OutputGreen;
    view.Input1 = (status & kInput1) != 0;
    view.Input2 = (status & kInput2) != 0;
    view.HasError = (status & kErrorPresent) != 0;
    view.CanGetNext = (status & kReady) != 0;
    view.InputRedBack = view.InputRed ? Colour::Red : Colour::Face;
    view.InputGreenBack = view.InputGreen ? Colour::Green : Colour::Face;
    view.OutputRedBack = view.OutputRed ? Colour::Red : Colour::Face;
    view.OutputGreenBack = view.OutputGreen ? Colour::Green : Colour::Face;
    view.HasErrorText = view.HasError ? Colour::Red : Colour::WindowText;
    return view;
}

ControllerProtocol::ControllerProtocol(QueueWriteFn queueWrite)
    : queueWrite_(std::move(queueWrite)) {}

uint8_t ControllerProtocol::ReplyLength() const {
    return FiveByteReplies ? 5 : 3;
}

uint8_t ControllerProtocol::Address() const {
    return static_cast<uint8_t>(static_cast<uint32_t>(ControllerNumber) & 0xFFu);
}

void ControllerProtocol::SendCommand(uint8_t address, uint8_t letter, uint8_t data) {
    ReplyFill = 0;
    OutCommand = {address, letter, data};
    // The port copies the bytes at the call; whether it was open is not looked at.
    if (queueWrite_) queueWrite_(OutCommand.data(), static_cast<uint16_t>(OutCommand.size()));
}

void ControllerProtocol::SendSimple(uint8_t letter) {
    SendCommand(Address(), letter, 0);
}

void ControllerProtocol::SendLight(uint8_t letter, uint8_t data) {
    SendCommand(Address(), letter, data);
}

void ControllerProtocol::SendWriteTimeout(const std::string& text) {
    // Milliseconds to units of 100 ms, truncated toward zero; the low 8 bits travel.
    const int32_t units = StrToInt(text) / 100;
    SendCommand(Address(), 'F', static_cast<uint8_t>(static_cast<uint32_t>(units) & 0xFFu));
}

void ControllerProtocol::SendWriteNumber(const std::string& text) {
    const int32_t number = StrToInt(text);
    SendCommand(0, 'I', static_cast<uint8_t>(static_cast<uint32_t>(number) & 0xFFu));
}

void ControllerProtocol::SendReadNumber() {
    SendCommand(0, 'J', 0);
}

void ControllerProtocol::SendSpeed(int row) {
    // No row chosen: the speed list's text is empty, and so is the number taken from it.
    if (row < 0 || row >= static_cast<int>(SpeedTable.size())) {
        throw EConvertError("'' is not a valid integer value");
    }
    SendCommand(Address(), 'H', SpeedTable[static_cast<size_t>(row)].Code);
}

void ControllerProtocol::SendErrorData() {
    SendCommand(Address(), 'H', 1);
}

void ControllerProtocol::SendErrorByte() {
    errorByteState_ = errorByteState_ * 0x08088405u + 1u;
    // The byte lives only for this call; the port copies it before returning.
    const uint8_t byte = static_cast<uint8_t>(errorByteState_ >> 24);
    if (queueWrite_) queueWrite_(&byte, 1);
}

std::optional<ReplyView> ControllerProtocol::ReceiveChunk(const uint8_t* data, uint16_t length) {
    // Whole-number sums: a ReplyFill left above the reply length (the format changed while a
    // reply was half assembled) still restarts the assembly instead of wrapping.
    const uint32_t expected = ReplyLength();
    uint32_t fill = ReplyFill;
    uint32_t count = length;
    if (count == 0 || data == nullptr) return std::nullopt;
    if (fill + count > expected) fill = 0;
    if (fill + count > expected) count = expected - fill;
    std::memcpy(ReplyBuffer.data() + fill, data, count);
    fill += count;
    if (fill < expected) {
        ReplyFill = static_cast<uint16_t>(fill);
        return std::nullopt;
    }
    ReplyFill = 0;
    return DecodeReply();
}

ReplyView ControllerProtocol::DecodeReply() {
    ReplyView view;
    std::string notes;
    const auto note = [&notes](const std::string& message) {
        if (!notes.empty()) notes += '\n';
        notes += message;
    };

    const size_t at = FiveByteReplies ? 1 : 0;
    if (FiveByteReplies && (ReplyBuffer[0] != 0xFF || ReplyBuffer[4] != 0x03)) {
        note("Формат пакета от контроллера неверен: " + HexDump(ReplyBuffer.data(), 5));
    }
    const uint8_t address = ReplyBuffer[at];
    const uint8_t letter = ReplyBuffer[at + 1];
    const uint8_t value = ReplyBuffer[at + 2];

    if (address == ControllerNumber) {
        view.StatusColour = Colour::Blue;
    } else {
        view.StatusColour = Colour::Maroon;
        note("В поле адреса пришло " + std::to_string(address));
    }
    std::string text = "OK - " + CommandDescription(letter);

    if (IsStatusLetter(letter)) {
        view.Indicators = StateView(value);
        // Only the error query follows a status byte; light commands come from clicks alone.
        if (view.Indicators->HasError) SendCommand(Address(), 'E', 0);
    } else if (letter == 'E') {
        view.StatusColour = value != 0 ? Colour::Red : Colour::Green;
        text = "Ошибка: " + ErrorText(value);
    } else if (letter == 'G') {
        view.TimeoutText = std::to_string(static_cast<int>(value) * 100);
    } else if (letter == 'J') {
        ControllerNumber = value;
        view.StatusColour = Colour::Blue;
        view.NumberText = std::to_string(value);
    } else {
        char code[8];
        std::snprintf(code, sizeof code, "%.2X", static_cast<unsigned>(letter));
        view.StatusColour = Colour::Maroon;
        text = std::string("Пришла неизвестная команда: ") + code + "h (\"" + LetterText(letter) +
               "\")";
    }

    view.StatusText.append("[").append(std::to_string(ReplyCounter)).append("] ").append(text);
    // The counter wraps like the 32-bit value it is rather than overflowing.
    ReplyCounter = static_cast<int32_t>(static_cast<uint32_t>(ReplyCounter) + 1u);
    view.StatusToolTip = std::move(notes);
    return view;
}

}  // namespace console

#pragma once
// The controller protocol, console side: command frames, reply assembly and decoding, and
// what a decoded reply shows. No window and no port: the window holds a ControllerProtocol,
// gives it the port's QueueWrite, and applies each ReplyView to its controls in one place.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace console {

struct SpeedRow {
    uint32_t Baud;
    uint8_t Code;
};
inline constexpr std::array<SpeedRow, 5> SpeedTable{
    {{9600, 9}, {19200, 19}, {38400, 38}, {57600, 57}, {115200, 115}}};

// Bits of the status byte, the data byte of replies A, B, D and K..O.
enum StatusBit : uint8_t {
    kEntryRed = 0x01,
    kEntryGreen = 0x02,
    kExitRed = 0x04,
    kExitGreen = 0x08,
    kInput1 = 0x10,
    kInput2 = 0x20,
    kErrorPresent = 0x40,
    kReady = 0x80,
};

// Colours of the console's controls; the window maps them to real colours
// (red 255,0,0; green 0,128,0; blue 0,0,255; maroon 128,0,0; the system's button face and
// window text).
enum class Colour : uint8_t { Red, Green, Blue, Maroon, Face, WindowText };

std::string CommandDescription(uint8_t letter);  // "D (запрос статуса)", "C ()"
std::string HexDump(const uint8_t* data, size_t count);  // "FF 01 44 05 03 "
std::string ErrorText(uint8_t code);  // "нет ошибки", ..., "Неизвестная ошибка (9)"

// What a status byte shows (StateDraw).
struct StatusIndicators {
    bool InputRed = false, InputGreen = false, OutputRed = false, OutputGreen = false;
    bool Input1 = false, Input2 = false, HasError = false, CanGetNext = false;
    Colour InputRedBack = Colour::Face, InputGreenBack = Colour::Face;
    Colour OutputRedBack = Colour::Face, OutputGreenBack = Colour::Face;
    Colour HasErrorText = Colour::WindowText;
};
StatusIndicators StateView(uint8_t status);

// Everything one decoded reply changes on the window.
struct ReplyView {
    std::string StatusText;  // txtStatus text, "[n] ..."
    Colour StatusColour = Colour::Blue;
    std::string StatusToolTip;  // malformed-frame and wrong-address messages, or empty
    std::optional<StatusIndicators> Indicators;  // A, B, D, K..O
    std::optional<std::string> TimeoutText;      // G: edtTimeout's new text
    std::optional<std::string> NumberText;       // J: cbbNumber's new text
};

using QueueWriteFn = std::function<bool(const uint8_t* data, uint16_t length)>;

class ControllerProtocol {
  public:
    explicit ControllerProtocol(QueueWriteFn queueWrite);

    // Console state.
    int32_t ReplyCounter = 0;
    int32_t ControllerNumber = 0;
    std::array<uint8_t, 3> OutCommand{};
    bool FiveByteReplies = false;
    std::array<uint8_t, 5> ReplyBuffer{};
    uint16_t ReplyFill = 0;

    uint8_t ReplyLength() const;  // 5 or 3
    uint8_t Address() const;      // CN, the low 8 bits of ControllerNumber
    void SendCommand(uint8_t address, uint8_t letter, uint8_t data);

    // The command senders the window's controls call.
    void SendSimple(uint8_t letter);                 // address CN, data 0 (D, E, G, K..O, P, C)
    void SendLight(uint8_t letter, uint8_t data);    // A/B with 1 or 2
    void SendWriteTimeout(const std::string& text);  // F; raises EConvertError
    void SendWriteNumber(const std::string& text);   // I to address 0; raises EConvertError
    void SendReadNumber();                           // J to address 0
    void SendSpeed(int row);                         // H with SpeedTable[row].Code
    void SendErrorData();                            // H with data 1
    void SendErrorByte();                            // the generator's next single byte

    // Comm321ReceiveData's logic: assembles the chunk; when a reply completes, decodes it,
    // sends the automatic E query if its status shows an error, and returns what to show.
    std::optional<ReplyView> ReceiveChunk(const uint8_t* data, uint16_t length);

  private:
    ReplyView DecodeReply();  // the reply now whole in ReplyBuffer

    QueueWriteFn queueWrite_;
    uint32_t errorByteState_ = 0;
};

}  // namespace console

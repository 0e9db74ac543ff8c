#pragma once
// What the controller's protocol fixes, for the tools on either end of a line: command
// letters and what each asks, status bits, error codes and texts, speed codes, reply
// formats and their markers. The console has its own copy on purpose: a tool that checks the
// console or a controller must not share the code it checks.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace frames {

using Bytes = std::vector<uint8_t>;

inline constexpr size_t kCommandLength = 3;
inline constexpr uint8_t kStartMarker = 0xFF;  // first byte of a five-byte reply
inline constexpr uint8_t kEndMarker = 0x03;    // last byte of a five-byte reply
inline constexpr int kTimeoutUnitMs = 100;     // the timeout travels in units of 100 ms

// A reply's length is its format's value.
enum class ReplyFormat { ThreeByte = 3, FiveByte = 5 };

// Status byte bits, the data byte of replies A, B, D and K..O.
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

// Error codes, the data byte of an E reply.
enum ErrorCode : uint8_t {
    kNoError = 0,
    kReceiveError = 1,  // bytes that did not make a whole command
    kBadCommand = 2,    // a letter without a command
    kBadData = 3,       // a data byte the command does not take
    kEepromError = 4,
};

// The controller's text for an error code: "нет ошибки" ... "Ошибка записи в EEPROM", and
// "Неизвестная ошибка (N)" for codes from 5 on.
std::string ErrorText(uint8_t code);

// What a data byte carries.
enum class DataMeaning {
    None,       // nothing: sent as 0
    Light,      // 1 red, 2 green
    Timeout,    // units of 100 ms
    SpeedCode,  // a speed code of kSpeeds
    Address,    // a controller's address
    Status,     // the status byte
    ErrorCode,  // an error code
    Unknown,    // a reply the console does not interpret
};

struct CommandInfo {
    uint8_t letter;
    const char* asks;  // what the command asks, in English ("status request")
    DataMeaning data;
    bool toAddressZero;  // sent to address 0, whatever the controller's address (I, J)
};

// The controller's commands A..O; nullptr for any other letter.
const CommandInfo* FindCommand(uint8_t letter);
// What the data byte of a reply with this letter carries.
DataMeaning ReplyData(uint8_t letter);

struct SpeedRow {
    uint32_t baud;
    uint8_t code;
};
inline constexpr std::array<SpeedRow, 5> kSpeeds{
    {{9600, 9}, {19200, 19}, {38400, 38}, {57600, 57}, {115200, 115}}};

// Line speed for a speed code, or nothing for a code the controller does not know.
std::optional<uint32_t> BaudForSpeedCode(uint8_t code);
// Speed code for a line speed, or nothing when the controller has no code for it.
std::optional<uint8_t> SpeedCodeForBaud(uint32_t baud);

}  // namespace frames

#pragma once
// One line's traffic played to the console's real reply assembly (console::ControllerProtocol)
// and to the tap's decoder (frames::LineDecoder), for the differential tests: the table test
// and the fuzz target. What the console does is simulated here as its reader and window do
// it: reply bytes with no gap over 1 ms between them make one chunk, handed over 1 ms after
// the last; a click sends its command at once; the error query that a status with the error
// bit sends by itself leaves `errorQueryLatency` after that status was handed over, and a
// click comes only after it (the tap takes a command's bytes on the line for the moment the
// console started its new reply, which holds for a click but not for a query on its way).

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/frames/line_decoder.h"

namespace traffic {

using frames::Bytes;
using Micros = std::chrono::microseconds;

struct Step {
    enum class Kind {
        Click,      // the console's control for letter (with data for A, B and I)
        ErrorByte,  // the console's single faulty byte
        Device,     // bytes read from the device together
    };
    Micros at;
    Kind kind = Kind::Device;
    uint8_t letter = 0;
    uint8_t data = 0;
    Bytes bytes;
};

// What the status line shows for one decoded reply, and the reply's bytes.
struct Shown {
    Bytes bytes;
    std::string text;  // after the console's "[n] "
    std::optional<frames::StatusColour> colour;
    bool operator==(const Shown&) const = default;
};

struct Played {
    std::vector<Shown> console;            // every reply the console decoded
    std::vector<Shown> tap;                // every reply the tap says the console decodes
    std::vector<frames::LineEvent> lines;  // all the tap's lines, in the order given
    size_t consoleBytes = 0;               // all the console sent
    // Every faulty single byte stood alone: nothing else from the console within 20 ms
    // after it (else the controller, and the tap with it, take it into a command).
    bool loneErrorBytes = true;
};

// Steps in the order of their times. fiveByte and controllerNumber: the console's settings;
// tapFormat: the tap's --format, or nothing to learn it.
Played Play(const std::vector<Step>& steps, bool fiveByte, int32_t controllerNumber,
            std::optional<frames::ReplyFormat> tapFormat, Micros errorQueryLatency = Micros(0));

std::string Show(const Shown& shown);

}  // namespace traffic

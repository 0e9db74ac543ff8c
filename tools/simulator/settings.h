#pragma once
// The simulator's settings: its command line ("--split 20") and the control lines that
// change it while it runs ("split 20") go through one table, so a setting means the same
// in both places.

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/frames/protocol.h"
#include "tools/simulator/controller.h"
#include "tools/simulator/faults.h"

namespace sim {

struct Options {
    std::string device;   // a serial device to serve instead of a new pseudo-terminal
    std::string link;     // symbolic link kept to the device the console opens
    std::string control;  // a FIFO that takes control lines as stdin does
    uint32_t baud = 9600;
    int gapMs = 20;  // silence after which an incomplete command is dropped
    bool exitOnEof = false;
    bool instant = false;  // replies in one write, not at the line's speed
    bool help = false;
    bool listPorts = false;  // list the serial devices present and exit
    ControllerState controller;
    frames::ReplyFormat format = frames::ReplyFormat::FiveByte;
    Faults faults;
};

// What control lines change in the running simulator.
struct LiveSettings {
    ControllerState& controller;
    frames::ReplyFormat& format;
    Faults& faults;
};

// Fills options from argv; on a bad command line returns false with a one-line reason, and
// a hint for an option that has moved to another program (else the hint is left empty).
bool ParseOptions(int argc, char** argv, Options& options, std::string& error, std::string& hint);
// Applies one control line; returns the acknowledgement (or complaint) to print.
std::string ApplyControlLine(std::string_view line, LiveSettings live);

std::string DescribeState(const ControllerState& controller, frames::ReplyFormat format,
                          const Faults& faults);
std::string HelpText(const char* program);

}  // namespace sim

#pragma once
// The simulator's command line.

#include <cstdint>
#include <string>

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
    bool help = false;
    ControllerState controller;
    frames::ReplyFormat format = frames::ReplyFormat::FiveByte;
    Faults faults;
};

// Fills options from argv; on a bad command line returns false with a one-line reason.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

std::string HelpText(const char* program);

}  // namespace sim

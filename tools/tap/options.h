#pragma once
// The tap's few options, its help text and its version.

#include <cstdint>
#include <optional>
#include <string>

#include "tools/frames/protocol.h"

namespace tap {

struct Options {
    std::string device;  // the serial device the controller is on
    std::string link;    // symbolic link kept to the terminal the console opens
    std::string log;     // every line also appended here
    uint32_t baud = 9600;
    std::optional<frames::ReplyFormat> format;  // the console's; learned when not given
    bool help = false;
    bool version = false;
};

// Fills options from argv; on a bad command line returns false with a one-line reason.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);
std::string HelpText();
std::string VersionText();

}  // namespace tap

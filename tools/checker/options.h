#pragma once
// The checker's command line: which port, which controller, how it answers, and which of
// the groups that change more than the lights it may run.

#include <chrono>
#include <cstdint>
#include <string>

#include "tools/frames/protocol.h"

namespace check {

// What --time-limit takes.
inline constexpr std::chrono::milliseconds kShortestTimeLimit{10};
inline constexpr std::chrono::milliseconds kLongestTimeLimit{60'000};

struct Options {
    std::string device;  // a path, a name under /dev, or COMn
    uint8_t address = 1;
    uint32_t baud = 9600;
    frames::ReplyFormat format = frames::ReplyFormat::FiveByte;
    std::chrono::milliseconds timeLimit{500};  // for each reply
    std::string report;                        // file for the record; empty: none
    bool addressChange = false;
    bool speedChange = false;
    bool yes = false;        // no confirmation asked
    bool listPorts = false;  // list the serial devices present instead of checking
    bool help = false;
    bool version = false;
};

// Fills options from argv; on a bad command line returns false with a one-line reason.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

std::string HelpText();
// "controller_check 0.1.0".
std::string VersionText();

// What the run is going to do, for the engineer to confirm.
std::string PlanText(const Options& options);

// The address used as "another" one: never the controller's own and never 0, which I and J
// are sent to.
uint8_t OtherAddress(uint8_t address);

}  // namespace check

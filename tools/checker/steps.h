#pragma once
// The commands of the lights and errors groups, one row a check: the plan takes its key and
// title from here, the group its command.

#include <cstdint>

#include "tools/frames/protocol.h"

namespace check {

struct LightStep {
    const char* key;
    uint8_t letter;
    uint8_t data;
    const char* sets;
};

inline constexpr LightStep kLightSteps[] = {
    {"lights.a1", 'A', 1, "A 1 sets the entry light red"},
    {"lights.a2", 'A', 2, "A 2 sets the entry light green"},
    {"lights.b1", 'B', 1, "B 1 sets the exit light red"},
    {"lights.b2", 'B', 2, "B 2 sets the exit light green"},
    {"lights.k", 'K', 0, "K sets entry green, exit red"},
    {"lights.l", 'L', 0, "L sets entry red, exit green"},
    {"lights.m", 'M', 0, "M sets both lights red"},
    {"lights.n", 'N', 0, "N sets both lights dark"},
    {"lights.o", 'O', 0, "O sets both lights green"},
};

struct ErrorStep {
    const char* key;
    const char* provocation;
    uint8_t letter;  // 0: a single byte instead of a command
    uint8_t data;
    uint8_t code;  // what E is to read after it
};

inline constexpr ErrorStep kErrorSteps[] = {
    {"errors.command", "P (no such command)", 'P', 0, frames::kBadCommand},
    {"errors.data", "H with data 1", 'H', 1, frames::kBadData},
    {"errors.length", "a single byte", 0, 0, frames::kReceiveError},
};

}  // namespace check

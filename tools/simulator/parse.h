#pragma once
// Strict decimal numbers for the command line and the control channel.

#include <cstdint>
#include <optional>
#include <string_view>

namespace sim {

// A whole decimal number within [min, max], nothing else around it; nothing otherwise.
std::optional<int64_t> ParseNumber(std::string_view text, int64_t min, int64_t max);
// "on"/"off" (also "1"/"0", "yes"/"no").
std::optional<bool> ParseSwitch(std::string_view text);

}  // namespace sim

#pragma once
// The two traffic lights as the status byte shows them, what each light command makes of
// them, and the commands that bring back any of their nine states.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/frames/frame.h"

namespace check {

// The light bits of a status byte: entry red and green, exit red and green.
inline constexpr uint8_t kLightBits = 0x0F;

// "entry red, exit dark"; a light with both bits set shows as "red and green".
std::string DescribeLights(uint8_t status);

// The light bits after a light command (A, B, K..O) from `before`; nothing for another one.
std::optional<uint8_t> LightsAfter(uint8_t letter, uint8_t data, uint8_t before);

// Commands to `address` that bring both lights to the state of the status byte from any
// state: N first when either light is to be dark (only N darkens a light, and it darkens
// both), then A and B for each light that is to be lit. Nothing when a light shows red and
// green at once: no command makes that.
std::optional<std::vector<frames::CommandFrame>> LightsRestore(uint8_t status, uint8_t address);

}  // namespace check

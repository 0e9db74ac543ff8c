#include "tools/checker/lights.h"

namespace check {
namespace {

using frames::kEntryGreen;
using frames::kEntryRed;
using frames::kExitGreen;
using frames::kExitRed;

constexpr uint8_t kEntryBits = kEntryRed | kEntryGreen;
constexpr uint8_t kExitBits = kExitRed | kExitGreen;

// 0 dark, 1 red, 2 green, 3 both: a light's two bits as they sit in its data byte.
uint8_t EntryData(uint8_t status) {
    return status & kEntryBits;
}
uint8_t ExitData(uint8_t status) {
    return (status & kExitBits) >> 2;
}

const char* LightText(uint8_t data) {
    static constexpr const char* kTexts[] = {"dark", "red", "green", "red and green"};
    return kTexts[data & 3];
}

}  // namespace

std::string DescribeLights(uint8_t status) {
    return std::string("entry ") + LightText(EntryData(status)) + ", exit " +
           LightText(ExitData(status));
}

std::optional<uint8_t> LightsAfter(uint8_t letter, uint8_t data, uint8_t before) {
    const uint8_t lights = before & kLightBits;
    const bool red = data == 1;
    const bool green = data == 2;
    switch (letter) {
        case 'A':
            if (!red && !green) return std::nullopt;
            return (lights & kExitBits) | (red ? kEntryRed : kEntryGreen);
        case 'B':
            if (!red && !green) return std::nullopt;
            return (lights & kEntryBits) | (red ? kExitRed : kExitGreen);
        case 'K':
            return kEntryGreen | kExitRed;
        case 'L':
            return kEntryRed | kExitGreen;
        case 'M':
            return kEntryRed | kExitRed;
        case 'N':
            return 0;
        case 'O':
            return kEntryGreen | kExitGreen;
        default:
            return std::nullopt;
    }
}

std::optional<std::vector<frames::CommandFrame>> LightsRestore(uint8_t status, uint8_t address) {
    const uint8_t entry = EntryData(status);
    const uint8_t exit = ExitData(status);
    if (entry == 3 || exit == 3) return std::nullopt;
    std::vector<frames::CommandFrame> commands;
    if (entry == 0 || exit == 0) commands.push_back({address, 'N', 0});
    if (entry != 0) commands.push_back({address, 'A', entry});
    if (exit != 0) commands.push_back({address, 'B', exit});
    return commands;
}

}  // namespace check

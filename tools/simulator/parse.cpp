#include "tools/simulator/parse.h"

#include <charconv>

namespace sim {

std::optional<int64_t> ParseNumber(std::string_view text, int64_t min, int64_t max) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> ParseSwitch(std::string_view text) {
    if (text == "on" || text == "1" || text == "yes") return true;
    if (text == "off" || text == "0" || text == "no") return false;
    return std::nullopt;
}

}  // namespace sim

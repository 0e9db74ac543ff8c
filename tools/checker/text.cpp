#include "tools/checker/text.h"

#include <cstdio>

#include "tools/frames/protocol.h"

namespace check {

std::string Millis(std::chrono::milliseconds span) {
    return std::to_string(span.count()) + " ms";
}

std::string Elapsed(frames::Clock::duration span) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms",
                  std::chrono::duration<double, std::milli>(span).count());
    return text;
}

std::string ErrorCodeText(uint8_t code) {
    return std::to_string(code) + " (" + frames::ErrorText(code) + ")";
}

std::string Join(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty()) text += "; ";
        text += part;
    }
    return text;
}

std::string Fill(std::string_view pattern,
                 std::initializer_list<std::pair<std::string_view, std::string>> values) {
    std::string text;
    while (!pattern.empty()) {
        const size_t open = pattern.find('{');
        const size_t close = pattern.find('}', open);
        if (close == std::string_view::npos) break;
        text += pattern.substr(0, open);
        const std::string_view name = pattern.substr(open + 1, close - open - 1);
        bool known = false;
        for (const auto& [key, value] : values) {
            if (key != name) continue;
            text += value;
            known = true;
            break;
        }
        if (!known) text += pattern.substr(open, close - open + 1);
        pattern.remove_prefix(close + 1);
    }
    return text + std::string(pattern);
}

}  // namespace check

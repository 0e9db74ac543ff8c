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

}  // namespace check

#include "tools/line/monitor.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

namespace sim {

void PrintPlain(std::string_view text) {
    std::string line(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

std::string Stamp(std::chrono::system_clock::time_point at) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d ", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(ms));
    return stamp;
}

void PrintStamped(std::string_view text) {
    PrintPlain(Stamp(std::chrono::system_clock::now()) + std::string(text));
}

}  // namespace sim

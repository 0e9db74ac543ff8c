#include "tools/simulator/control.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <sstream>

#include "tools/simulator/parse.h"

namespace sim {
namespace {

constexpr int64_t kMaxPauseMs = 60'000;
constexpr size_t kMaxLine = 1024;

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t pos = 0;
    while (pos < line.size()) {
        const size_t start = line.find_first_not_of(" \t\r", pos);
        if (start == std::string_view::npos) break;
        size_t end = line.find_first_of(" \t\r", start);
        if (end == std::string_view::npos) end = line.size();
        words.push_back(line.substr(start, end - start));
        pos = end;
    }
    return words;
}

const char* LightName(Light light) {
    switch (light) {
        case Light::Red:
            return "red";
        case Light::Green:
            return "green";
        case Light::Dark:
            break;
    }
    return "dark";
}

const char* OnOff(bool value) {
    return value ? "on" : "off";
}

constexpr const char* kControlHelp =
    "control lines: split MS | delay MS | wrong-address N|off | broken-markers on|off | "
    "silent on|off | normal | format 3|5 | input1 on|off | input2 on|off | ready on|off | "
    "error N | state | help";

}  // namespace

std::string DescribeState(const Controller& controller, frames::ReplyFormat format,
                          const Faults& faults) {
    const ControllerState& s = controller.State();
    std::ostringstream out;
    char status[8];
    std::snprintf(status, sizeof status, "%02X", controller.Status());
    out << "address " << int(s.address) << ", entry " << LightName(s.entry) << ", exit "
        << LightName(s.exit) << ", input1 " << OnOff(s.input1) << ", input2 " << OnOff(s.input2)
        << ", ready " << OnOff(s.ready) << ", error " << int(s.error) << ", status " << status
        << ", timeout " << int(s.timeout) << " x 100 ms, speed "
        << frames::BaudForSpeedCode(s.speedCode).value_or(0) << ", format " << int(format)
        << "-byte, faults: " << faults.Describe();
    return out.str();
}

std::string ApplyControlLine(std::string_view line, ControlTarget target) {
    const auto words = Words(line);
    if (words.empty()) return {};
    const std::string_view name = words[0];
    const std::optional<std::string_view> arg =
        words.size() == 2 ? std::optional<std::string_view>(words[1]) : std::nullopt;
    const std::string bad = "bad control line '" + std::string(line) + "' (" + kControlHelp + ")";
    Faults& faults = target.faults;
    ControllerState& state = target.controller.State();

    if (words.size() == 1) {
        if (name == "normal") {
            faults = Faults{};
            return "faults off";
        }
        if (name == "state") return DescribeState(target.controller, target.format, faults);
        if (name == "help") return kControlHelp;
        return bad;
    }
    if (!arg || words.size() > 2) return bad;

    if (name == "split" || name == "delay") {
        const auto ms = ParseNumber(*arg, 0, kMaxPauseMs);
        if (!ms) return bad;
        (name == "split" ? faults.splitMs : faults.delayMs) = static_cast<int>(*ms);
        return std::string(name) + " " + std::to_string(*ms) + " ms";
    }
    if (name == "wrong-address") {
        if (*arg == "off") {
            faults.wrongAddress.reset();
            return "wrong-address off";
        }
        const auto address = ParseNumber(*arg, 0, 255);
        if (!address) return bad;
        faults.wrongAddress = static_cast<uint8_t>(*address);
        return "wrong-address " + std::to_string(*address);
    }
    if (name == "error") {
        const auto code = ParseNumber(*arg, 0, 255);
        if (!code) return bad;
        state.error = static_cast<uint8_t>(*code);
        return "error " + std::to_string(*code);
    }
    if (name == "format") {
        if (*arg == "3")
            target.format = frames::ReplyFormat::ThreeByte;
        else if (*arg == "5")
            target.format = frames::ReplyFormat::FiveByte;
        else
            return bad;
        return "format " + std::string(*arg);
    }

    const auto on = ParseSwitch(*arg);
    if (!on) return bad;
    bool* flag = nullptr;
    if (name == "broken-markers")
        flag = &faults.brokenMarkers;
    else if (name == "silent")
        flag = &faults.silent;
    else if (name == "input1")
        flag = &state.input1;
    else if (name == "input2")
        flag = &state.input2;
    else if (name == "ready")
        flag = &state.ready;
    if (!flag) return bad;
    *flag = *on;
    return std::string(name) + " " + OnOff(*on);
}

bool LineReader::ReadFrom(int fd, std::vector<std::string>& lines) {
    char buffer[512];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) return errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK;
    if (n == 0) {
        if (!pending_.empty()) lines.push_back(std::move(pending_));
        pending_.clear();
        return false;
    }
    for (ssize_t i = 0; i < n; ++i) {
        if (buffer[i] == '\n') {
            lines.push_back(std::move(pending_));
            pending_.clear();
        } else if (pending_.size() < kMaxLine) {
            pending_ += buffer[i];
        }
    }
    return true;
}

}  // namespace sim

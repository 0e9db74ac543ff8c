#include "tools/simulator/settings.h"

#include <cstdio>
#include <optional>
#include <sstream>
#include <vector>

#include "tools/cli/command_line.h"

namespace sim {
namespace {

using cli::ParseNumber;

constexpr int64_t kMaxPauseMs = 60'000;

constexpr const char* kControlHelp =
    "control lines: split MS | delay MS | wrong-address N|off | broken-markers on|off | "
    "silent on|off | normal | format 3|5 | input1 on|off | input2 on|off | ready on|off | "
    "error N | state | help";

// What a setting is given: nothing, a value, or a switch: a flag on the command line
// ("--silent"), on|off in a control line ("silent on").
enum class Takes { Nothing, Value, Switch };
enum Where : uint8_t { kCommandLine = 1, kControlLine = 2, kBoth = 3 };

// What a setting changes. options is null for control lines: the command line alone sets
// what the running simulator cannot change (its line, its channels).
struct Target {
    Options* options;
    ControllerState& controller;
    frames::ReplyFormat& format;
    Faults& faults;
};

// The acknowledgement of a control line, or nothing when the value is not valid.
using Ack = std::optional<std::string>;

struct Setting {
    std::string_view name;
    Takes takes;
    Where where;
    Ack (*apply)(Target& target, std::string_view name, std::string_view value);
};

const char* OnOff(bool value) {
    return value ? "on" : "off";
}

Ack Valid(bool valid) {
    return valid ? Ack("") : std::nullopt;
}

template <typename T>
Ack SetNumber(T& field, std::string_view name, std::string_view text, int64_t min, int64_t max,
              const char* unit = "") {
    const auto value = ParseNumber(text, min, max);
    if (!value) return std::nullopt;
    field = static_cast<T>(*value);
    return std::string(name) + " " + std::to_string(*value) + unit;
}

// "on"/"off" (also "1"/"0", "yes"/"no").
Ack SetSwitch(bool& field, std::string_view name, std::string_view text) {
    if (text == "on" || text == "1" || text == "yes") {
        field = true;
    } else if (text == "off" || text == "0" || text == "no") {
        field = false;
    } else {
        return std::nullopt;
    }
    return std::string(name) + " " + OnOff(field);
}

Ack SetText(std::string& field, std::string_view text) {
    field = text;
    return Valid(!text.empty());
}

constexpr Setting kSettings[] = {
    {"device", Takes::Value, kCommandLine,
     [](Target& t, std::string_view, std::string_view v) { return SetText(t.options->device, v); }},
    {"link", Takes::Value, kCommandLine,
     [](Target& t, std::string_view, std::string_view v) { return SetText(t.options->link, v); }},
    {"control", Takes::Value, kCommandLine,
     [](Target& t, std::string_view, std::string_view v) {
         return SetText(t.options->control, v);
     }},
    {"baud", Takes::Value, kCommandLine,
     [](Target& t, std::string_view, std::string_view v) {
         const auto baud = ParseNumber(v, 1, 4'000'000);
         const auto code = baud ? frames::SpeedCodeForBaud(*baud) : std::nullopt;
         if (!code) return Ack();
         t.options->baud = static_cast<uint32_t>(*baud);
         t.controller.speedCode = *code;
         return Ack("");
     }},
    {"format", Takes::Value, kBoth,
     [](Target& t, std::string_view, std::string_view v) {
         if (v == "3") {
             t.format = frames::ReplyFormat::ThreeByte;
         } else if (v == "5") {
             t.format = frames::ReplyFormat::FiveByte;
         } else {
             return Ack();
         }
         return Ack("format " + std::string(v));
     }},
    {"gap", Takes::Value, kCommandLine,
     [](Target& t, std::string_view n, std::string_view v) {
         return SetNumber(t.options->gapMs, n, v, 1, 10'000);
     }},
    {"address", Takes::Value, kCommandLine,
     [](Target& t, std::string_view n, std::string_view v) {
         return SetNumber(t.controller.address, n, v, 1, 255);
     }},
    {"timeout", Takes::Value, kCommandLine,
     [](Target& t, std::string_view n, std::string_view v) {
         return SetNumber(t.controller.timeout, n, v, 0, 255);
     }},
    {"input1", Takes::Switch, kBoth,
     [](Target& t, std::string_view n, std::string_view v) {
         return SetSwitch(t.controller.input1, n, v);
     }},
    {"input2", Takes::Switch, kBoth,
     [](Target& t, std::string_view n, std::string_view v) {
         return SetSwitch(t.controller.input2, n, v);
     }},
    {"ready", Takes::Switch, kControlLine,
     [](Target& t, std::string_view n, std::string_view v) {
         return SetSwitch(t.controller.ready, n, v);
     }},
    {"error", Takes::Value, kControlLine,
     [](Target& t, std::string_view n, std::string_view v) {
         return SetNumber(t.controller.error, n, v, 0, 255);
     }},
    {"split", Takes::Value, kBoth,
     [](Target& t, std::string_view n, std::string_view v) {
         return SetNumber(t.faults.splitMs, n, v, 0, kMaxPauseMs, " ms");
     }},
    {"delay", Takes::Value, kBoth,
     [](Target& t, std::string_view n, std::string_view v) {
         return SetNumber(t.faults.delayMs, n, v, 0, kMaxPauseMs, " ms");
     }},
    {"wrong-address", Takes::Value, kBoth,
     [](Target& t, std::string_view n, std::string_view v) {
         if (v == "off") {
             t.faults.wrongAddress.reset();
             return Ack("wrong-address off");
         }
         uint8_t address = 0;
         const Ack ack = SetNumber(address, n, v, 0, 255);
         if (ack) t.faults.wrongAddress = address;
         return ack;
     }},
    {"broken-markers", Takes::Switch, kBoth,
     [](Target& t, std::string_view n, std::string_view v) {
         return SetSwitch(t.faults.brokenMarkers, n, v);
     }},
    {"silent", Takes::Switch, kBoth,
     [](Target& t, std::string_view n, std::string_view v) {
         return SetSwitch(t.faults.silent, n, v);
     }},
    {"normal", Takes::Nothing, kControlLine,
     [](Target& t, std::string_view, std::string_view) {
         t.faults = Faults{};
         return Ack("faults off");
     }},
    {"state", Takes::Nothing, kControlLine,
     [](Target& t, std::string_view, std::string_view) {
         return Ack(DescribeState(t.controller, t.format, t.faults));
     }},
    {"instant", Takes::Nothing, kCommandLine,
     [](Target& t, std::string_view, std::string_view) {
         t.options->instant = true;
         return Ack("");
     }},
    {"exit-on-eof", Takes::Nothing, kCommandLine,
     [](Target& t, std::string_view, std::string_view) {
         t.options->exitOnEof = true;
         return Ack("");
     }},
    {"list-ports", Takes::Nothing, kCommandLine,
     [](Target& t, std::string_view, std::string_view) {
         t.options->listPorts = true;
         return Ack("");
     }},
    {"help", Takes::Nothing, kBoth,
     [](Target& t, std::string_view, std::string_view) {
         if (!t.options) return Ack(kControlHelp);
         t.options->help = true;
         return Ack("");
     }},
};

const Setting* FindSetting(std::string_view name, Where where) {
    for (const Setting& setting : kSettings) {
        if (setting.name == name && (setting.where & where) != 0) return &setting;
    }
    return nullptr;
}

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

}  // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error, std::string& hint) {
    Target target{&options, options.controller, options.format, options.faults};
    hint.clear();
    return cli::ParseArguments(
        argc, argv, {{"-h", "--help"}},
        [&hint](std::string_view name) -> std::optional<cli::Takes> {
            const Setting* setting = FindSetting(name, kCommandLine);
            // Watching a real line was once done here; say where it went.
            if (!setting && (name == "tap" || name == "log")) {
                hint = "the tap is a program of its own now: controller_tap --device DEVICE" +
                       std::string(name == "log" ? " --log FILE" : "") +
                       " (see controller_tap --help)";
            }
            if (!setting) return std::nullopt;
            return setting->takes == Takes::Value ? cli::Takes::Value : cli::Takes::Nothing;
        },
        [&](std::string_view name, std::string_view value) {
            const Setting* setting = FindSetting(name, kCommandLine);
            // A switch named on the command line is switched on.
            if (setting->takes == Takes::Switch) value = "on";
            return setting->apply(target, setting->name, value).has_value();
        },
        error);
}

std::string ApplyControlLine(std::string_view line, LiveSettings live) {
    const auto words = Words(line);
    if (words.empty()) return {};
    const std::string bad = "bad control line '" + std::string(line) + "' (" + kControlHelp + ")";
    const Setting* setting = FindSetting(words[0], kControlLine);
    if (!setting || words.size() != (setting->takes == Takes::Nothing ? 1u : 2u)) return bad;
    Target target{nullptr, live.controller, live.format, live.faults};
    const Ack ack = setting->apply(target, setting->name, words.size() == 2 ? words[1] : "");
    return ack ? *ack : bad;
}

std::string DescribeState(const ControllerState& s, frames::ReplyFormat format,
                          const Faults& faults) {
    std::ostringstream out;
    char status[8];
    std::snprintf(status, sizeof status, "%02X", StatusByte(s));
    out << "address " << int(s.address) << ", entry " << LightName(s.entry) << ", exit "
        << LightName(s.exit) << ", input1 " << OnOff(s.input1) << ", input2 " << OnOff(s.input2)
        << ", ready " << OnOff(s.ready) << ", error " << int(s.error) << ", status " << status
        << ", timeout " << int(s.timeout) << " x 100 ms, speed "
        << frames::BaudForSpeedCode(s.speedCode).value_or(0) << ", format " << int(format)
        << "-byte, faults: " << faults.Describe();
    return out.str();
}

}  // namespace sim

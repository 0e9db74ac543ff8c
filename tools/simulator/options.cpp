#include "tools/simulator/options.h"

#include <functional>
#include <map>
#include <optional>
#include <string_view>

#include "tools/simulator/parse.h"

namespace sim {
namespace {

constexpr int64_t kMaxPauseMs = 60'000;

struct Option {
    bool takesValue;
    // Applies the value (empty for a flag); returns false when the value is not valid.
    std::function<bool(Options&, std::string_view)> apply;
};

template <typename T>
bool SetNumber(T& target, std::string_view text, int64_t min, int64_t max) {
    const auto value = ParseNumber(text, min, max);
    if (!value) return false;
    target = static_cast<T>(*value);
    return true;
}

const std::map<std::string_view, Option>& Table() {
    static const std::map<std::string_view, Option> table{
        {"--device",
         {true,
          [](Options& o, std::string_view v) {
              o.device = v;
              return !v.empty();
          }}},
        {"--link",
         {true,
          [](Options& o, std::string_view v) {
              o.link = v;
              return !v.empty();
          }}},
        {"--control",
         {true,
          [](Options& o, std::string_view v) {
              o.control = v;
              return !v.empty();
          }}},
        {"--baud",
         {true,
          [](Options& o, std::string_view v) {
              const auto baud = ParseNumber(v, 1, 4'000'000);
              const auto code = baud ? frames::SpeedCodeForBaud(*baud) : std::nullopt;
              if (!code) return false;
              o.baud = static_cast<uint32_t>(*baud);
              o.controller.speedCode = *code;
              return true;
          }}},
        {"--address",
         {true, [](Options& o,
                   std::string_view v) { return SetNumber(o.controller.address, v, 1, 255); }}},
        {"--format",
         {true,
          [](Options& o, std::string_view v) {
              if (v == "3")
                  o.format = frames::ReplyFormat::ThreeByte;
              else if (v == "5")
                  o.format = frames::ReplyFormat::FiveByte;
              else
                  return false;
              return true;
          }}},
        {"--timeout",
         {true, [](Options& o,
                   std::string_view v) { return SetNumber(o.controller.timeout, v, 0, 255); }}},
        {"--gap",
         {true, [](Options& o, std::string_view v) { return SetNumber(o.gapMs, v, 1, 10'000); }}},
        {"--input1",
         {false,
          [](Options& o, std::string_view) {
              o.controller.input1 = true;
              return true;
          }}},
        {"--input2",
         {false,
          [](Options& o, std::string_view) {
              o.controller.input2 = true;
              return true;
          }}},
        {"--split",
         {true, [](Options& o,
                   std::string_view v) { return SetNumber(o.faults.splitMs, v, 0, kMaxPauseMs); }}},
        {"--delay",
         {true, [](Options& o,
                   std::string_view v) { return SetNumber(o.faults.delayMs, v, 0, kMaxPauseMs); }}},
        {"--wrong-address",
         {true,
          [](Options& o, std::string_view v) {
              uint8_t address = 0;
              if (!SetNumber(address, v, 0, 255)) return false;
              o.faults.wrongAddress = address;
              return true;
          }}},
        {"--broken-markers",
         {false,
          [](Options& o, std::string_view) {
              o.faults.brokenMarkers = true;
              return true;
          }}},
        {"--silent",
         {false,
          [](Options& o, std::string_view) {
              o.faults.silent = true;
              return true;
          }}},
        {"--exit-on-eof",
         {false,
          [](Options& o, std::string_view) {
              o.exitOnEof = true;
              return true;
          }}},
        {"--help",
         {false,
          [](Options& o, std::string_view) {
              o.help = true;
              return true;
          }}},
    };
    return table;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "-h") arg = "--help";
        std::optional<std::string_view> inlineValue;
        if (const auto eq = arg.find('='); eq != std::string_view::npos) {
            inlineValue = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        const auto found = Table().find(arg);
        if (found == Table().end()) {
            error = "unknown option " + std::string(argv[i]);
            return false;
        }
        const Option& option = found->second;
        std::string_view value;
        if (option.takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                error = std::string(arg) + " needs a value";
                return false;
            }
        } else if (inlineValue) {
            error = std::string(arg) + " takes no value";
            return false;
        }
        if (!option.apply(options, value)) {
            error = "invalid value '" + std::string(value) + "' for " + std::string(arg);
            return false;
        }
    }
    return true;
}

std::string HelpText(const char* program) {
    return std::string("Usage: ") + program + R"( [options]

A simulated traffic-light controller for the scale console. It opens a pseudo-terminal
pair and prints, as the first line on stdout, the device the console is to open; or it
serves a given serial device (a null-modem cable). Every command received and every reply
sent is then printed in hex with a time stamp ("<-" received, "->" sent). It runs until
SIGINT or SIGTERM.

Line:
  --link PATH           keep a symbolic link PATH to the device (removed on exit)
  --device PATH         serve this serial device instead of a pseudo-terminal
  --baud N              line speed: 9600 (default), 19200, 38400, 57600 or 115200
  --format 3|5          reply format: addr letter data, or FF addr letter data 03 (default 5)
  --gap MS              silence that drops an incomplete command, error 1 (default 20)

Controller:
  --address N           the controller's address, 1..255 (default 1)
  --timeout N           the stored timeout in units of 100 ms, 0..255 (default 10)
  --input1, --input2    report input 1 / input 2 as active

Faults (also switchable at run time, see below):
  --split MS            send each reply as its first byte, a pause of MS, then the rest
  --delay MS            answer each command only after MS
  --wrong-address N     put address N in every reply
  --broken-markers      five-byte replies with wrong start and end markers (FE .. .. .. 02)
  --silent              obey commands but answer none

Control:
  --control FIFO        also read control lines from FIFO (created when missing)
  --exit-on-eof         stop when stdin ends (by default stdin's end is ignored)
  -h, --help            show this text

Control lines, on stdin or the FIFO, one per line:
  split MS | delay MS          0 turns the fault off
  wrong-address N|off
  broken-markers on|off
  silent on|off
  normal                       all faults off
  format 3|5
  input1 on|off | input2 on|off | ready on|off
  error N                      set the error code (0 clears it)
  state                        print the controller's state
  help                         list these lines

Commands answered: A/B 1|2 light red|green (other data: error 3), C reset, D status,
E error code (and clear it), F/G write/read timeout, H speed code 9|19|38|57|115 (answered at
the old speed, then switched; other codes: error 3), I/J write/read address (address byte 0
accepted), K entry green + exit red, L entry red + exit green, M both red, N both dark,
O both green. Any other letter: answered with data 0, error 2. A command for another address
is ignored.
)";
}

}  // namespace sim

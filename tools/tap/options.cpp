#include "tools/tap/options.h"

#include <iterator>
#include <string_view>

#include "tools/cli/command_line.h"

namespace tap {
namespace {

using Option = cli::Option<Options>;

bool SetText(std::string& field, std::string_view value) {
    field = value;
    return !value.empty();
}

constexpr Option kOptions[] = {
    {"device", true, [](Options& o, std::string_view v) { return SetText(o.device, v); }},
    {"baud", true,
     [](Options& o, std::string_view v) {
         const auto baud = cli::ParseNumber(v, 1, 4'000'000);
         if (!baud || !frames::SpeedCodeForBaud(static_cast<uint32_t>(*baud))) return false;
         o.baud = static_cast<uint32_t>(*baud);
         return true;
     }},
    {"link", true, [](Options& o, std::string_view v) { return SetText(o.link, v); }},
    {"log", true, [](Options& o, std::string_view v) { return SetText(o.log, v); }},
    {"format", true,
     [](Options& o, std::string_view v) {
         if (v != "3" && v != "5") return false;
         o.format = v == "3" ? frames::ReplyFormat::ThreeByte : frames::ReplyFormat::FiveByte;
         return true;
     }},
    {"help", false,
     [](Options& o, std::string_view) {
         o.help = true;
         return true;
     }},
    {"version", false,
     [](Options& o, std::string_view) {
         o.version = true;
         return true;
     }},
};

// "--device, --baud ... and --version", from the table itself.
std::string OptionList() {
    std::string text;
    for (size_t i = 0; i < std::size(kOptions); ++i) {
        if (i > 0) text += i + 1 == std::size(kOptions) ? " and " : ", ";
        text += "--" + std::string(kOptions[i].name);
    }
    return text;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    bool unknown = false;
    if (!cli::ParseTable(argc, argv, {{"-h", "--help"}}, kOptions, options, error, &unknown)) {
        // The tap simulates nothing: the simulator's options (--split, --address...) have no
        // meaning here, and saying which options do saves a look at the help.
        if (unknown) error += "; the tap takes " + OptionList();
        return false;
    }
    if (!options.help && !options.version && options.device.empty()) {
        error = "--device is required";
        return false;
    }
    return true;
}

std::string VersionText() {
    return std::string("controller_tap ") + CONTROLLER_TAP_VERSION;
}

std::string HelpText() {
    return R"(Usage: controller_tap --device PATH [OPTION]...
Watch the line between the scale console and a traffic-light controller: the tap opens the
serial device, offers the console a pseudo-terminal in its place, passes every byte both
ways as it arrives, and prints what went by, decoded, with what the console makes of it.

The device is opened exclusively, 8 data bits, no parity, one stop bit, no flow control.
The console opens the tap's pseudo-terminal, never the device: its path is the first line
on stdout, and --link keeps a stable name for it. When the console sets a speed on its end
(Start, Set speed, Reset), the device is set to it before the next byte goes through. A
device that disappears is opened again every 500 ms, while the console keeps its terminal.
The tap runs until SIGINT or SIGTERM.

Every line has its time, and then:
  -> HEX MEANING         from the console to the device: a command, or an incomplete
                         command (fewer than 3 bytes before a silence of 20 ms)
  <- HEX MEANING         from the device to the console: a reply, with how it arrived and
                         what the console's status line shows for it, or bytes the console
                         drops (stray bytes, an incomplete reply)
  -- TEXT                an event of the tap's own

Replies are read as the console reads them:
  assembly               bytes are gathered up to the reply length of the console's
                         format (3 or 5), however long the pauses between them, and each
                         command from the console starts a new reply
  chunks                 the console's reader hands over the bytes that follow each other
                         within 1 ms as one chunk; the tap takes the bytes it reads within
                         1 ms of each other for one. A chunk too long for the rest of the
                         reply drops what was gathered and starts a new reply, and the
                         bytes of a chunk beyond one reply are dropped
  format                 without --format it is learned from the replies: the command's
                         letter at a reply's second byte makes it three-byte, the
                         command's address and letter at its second and third bytes or
                         the FF .. 03 markers five-byte; the tap says when it changes its
                         mind
  colour                 blue or maroon by the reply's address against the address byte
                         of the console's commands, which is the console's number only
                         while that fits a byte: above 255 the console shows maroon where
                         the tap says blue
  [n]                    stands for the console's reply number, which the tap cannot know

Options:
  --device PATH          the serial device the controller is on: required
  --baud N               the device's speed until the console sets one: 9600 (default),
                         19200, 38400, 57600 or 115200
  --link PATH            keep a symbolic link PATH to the console's terminal (removed on
                         exit)
  --log FILE             also append every line to FILE
  --format 3|5           the reply format the console is set to (its 5-byte box): address
                         letter data, or FF address letter data 03
  -h, --help             show this text and exit
      --version          show the version and exit

Exit status:
  0                      stopped by SIGINT or SIGTERM
  1                      the device, the terminal or the log could not be opened
  2                      bad options
)";
}

}  // namespace tap

#include "tools/checker/options.h"

#include <optional>
#include <string_view>

#include "tools/cli/command_line.h"

namespace check {
namespace {

using cli::ParseNumber;

bool Set(bool& flag) {
    flag = true;
    return true;
}

using Option = cli::Option<Options>;

constexpr Option kOptions[] = {
    {"device", true,
     [](Options& o, std::string_view v) {
         o.device = v;
         return !v.empty();
     }},
    {"address", true,
     [](Options& o, std::string_view v) {
         const auto n = ParseNumber(v, 1, 255);
         if (n) o.address = static_cast<uint8_t>(*n);
         return n.has_value();
     }},
    {"baud", true,
     [](Options& o, std::string_view v) {
         const auto n = ParseNumber(v, 1, 4'000'000);
         if (!n || !frames::SpeedCodeForBaud(static_cast<uint32_t>(*n))) return false;
         o.baud = static_cast<uint32_t>(*n);
         return true;
     }},
    {"format", true,
     [](Options& o, std::string_view v) {
         if (v != "3" && v != "5") return false;
         o.format = v == "3" ? frames::ReplyFormat::ThreeByte : frames::ReplyFormat::FiveByte;
         return true;
     }},
    {"time-limit", true,
     [](Options& o, std::string_view v) {
         const auto n = ParseNumber(v, kShortestTimeLimit.count(), kLongestTimeLimit.count());
         if (n) o.timeLimit = std::chrono::milliseconds(*n);
         return n.has_value();
     }},
    {"report", true,
     [](Options& o, std::string_view v) {
         o.report = v;
         return !v.empty();
     }},
    {"address-change", false, [](Options& o, std::string_view) { return Set(o.addressChange); }},
    {"speed-change", false, [](Options& o, std::string_view) { return Set(o.speedChange); }},
    {"yes", false, [](Options& o, std::string_view) { return Set(o.yes); }},
    {"list-ports", false, [](Options& o, std::string_view) { return Set(o.listPorts); }},
    {"help", false, [](Options& o, std::string_view) { return Set(o.help); }},
    {"version", false, [](Options& o, std::string_view) { return Set(o.version); }},
};

}  // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    const bool parsed =
        cli::ParseTable(argc, argv, {{"-h", "--help"}, {"-y", "--yes"}}, kOptions, options, error);
    if (!parsed) return false;
    if (!options.help && !options.version && !options.listPorts && options.device.empty()) {
        error = "--device is required";
        return false;
    }
    return true;
}

uint8_t OtherAddress(uint8_t address) {
    return static_cast<uint8_t>(address % 255 + 1);
}

std::string VersionText() {
    return std::string("controller_check ") + CONTROLLER_CHECK_VERSION;
}

std::string HelpText() {
    // Each numbered item is one paragraph, its lines indented under its text: the manual
    // page, made from this text, keeps every item on a line of its own.
    return R"(Usage: controller_check --device PATH [OPTION]...
  or:  controller_check --list-ports
Check a traffic-light controller of a vehicle scale over a serial port, the same way every
time, and keep the record.

The port is opened exclusively, 8 data bits, no parity, one stop bit, no flow control, RTS
raised, before anything is asked or sent. What arrives before the first command answers
nothing: it is dropped, and the record says how many bytes. The checks run in groups, each
check printed as it runs with every frame sent and received (hex and meaning), its timing,
and PASS, FAIL or SKIP:
  1.  Link: D answers within the time limit in the chosen format, with the right markers,
      the controller's address and the letter D; D to another address gets no answer.
  2.  Lights: A 1, A 2, B 1, B 2, K, L, M, N and O each answer with the lights they set,
      and a D that follows agrees.
  3.  Timeout: G reads the stored timeout, F writes another one that G reads back, F
      writes the first one back.
  4.  Errors: P, H with data 1 and a single byte make E read 2, 3 and 1; the status byte's
      error bit is set until E has read the error.
  5.  Address (with --address-change): I writes another address, J reads it, I writes it
      back.
  6.  Speed (with --speed-change): H to each other line speed, D at that speed, H back.
  7.  Replies: every reply framed and from the controller's address, no bytes beyond them.

When the link fails with no whole reply in time the later groups are skipped. A check that
was asked for and skipped counts against the run, as a failure does, and the summary says
why it was skipped. At the end the lights, the timeout, the address and the speed are put
back as they were found, and the tool says so or says what it could not put back. Ctrl-C or
SIGTERM stops the checks and puts back what it can.

Options:
  --device PATH        serial port: a path (/dev/ttyUSB0), a name under /dev (ttyUSB0),
                       or COM1...COMn for /dev/ttyS0...
  --address N          the controller's address, 1..255 (default 1)
  --baud N             line speed: 9600 (default), 19200, 38400, 57600 or 115200
  --format 3|5         reply format: address letter data, or FF address letter data 03
                       (default 5)
  --time-limit MS      time a reply may take, 10..60000 ms (default 500)
  --address-change     also run the address group (writes the controller's address)
  --speed-change       also run the speed group (writes the controller's line speed)
  --report FILE        also write the record to FILE, as plain text
  -y, --yes            do not ask for confirmation before switching the lights
  --list-ports         list the serial devices present, with their stable names, drivers
                       and USB adapters, and exit
  -h, --help           show this text and exit
      --version        show the version and exit

Exit status:
  0    every check passed and the controller is left as it was found
  1    a check failed or was skipped, or something could not be put back
  2    nothing was checked: bad options, the port did not open, or not confirmed
  130  stopped by Ctrl-C (SIGINT)
  143  stopped by SIGTERM
)";
}

std::string PlanText(const Options& o) {
    const std::string other = std::to_string(OtherAddress(o.address));
    std::string text = "On " + o.device + " at " + std::to_string(o.baud) +
                       " bit/s, the controller at address " + std::to_string(o.address) +
                       " will be asked to:\n"
                       "  - switch both traffic lights through red, green and dark,\n"
                       "  - write its timeout and write it back,\n"
                       "  - take faulty commands and report errors 1, 2 and 3,\n";
    if (o.addressChange) text += "  - take address " + other + " and then its own again,\n";
    if (o.speedChange) text += "  - switch to each other line speed and back,\n";
    text +=
        "and then to take back the lights, timeout, address and speed it had.\n"
        "The lights switch on the weighbridge itself: make sure no vehicle is on it or near.\n";
    return text;
}

}  // namespace check

// controller_tap: sits between the console and a real controller, passes every byte both
// ways and prints what went by, decoded as both ends take it. See --help.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "tools/line/line.h"
#include "tools/line/monitor.h"
#include "tools/line/stop_signal.h"
#include "tools/tap/options.h"
#include "tools/tap/tap.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "controller_tap: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    tap::Options options;
    std::string error;
    if (!tap::ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "controller_tap: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(tap::HelpText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts(tap::VersionText().c_str());
        return 0;
    }
    const int stop = sim::InstallStopSignals();
    if (stop < 0) return Fail(std::string("signals: ") + std::strerror(errno));

    std::unique_ptr<sim::Line> console = sim::Line::OpenPseudoTerminal(options.baud, error);
    if (!console) return Fail(error);
    sim::DeviceLink link;
    if (!options.link.empty() && !link.Create(console->Path(), options.link, error)) {
        return Fail(error);
    }
    tap::Tap tap(options, *console);
    if (!tap.Open(error)) return Fail(error);
    sim::PrintPlain(console->Path());
    return tap.Run(stop);
}

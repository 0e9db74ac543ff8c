// controller_check: checks a traffic-light controller the same way every time and keeps the
// record. See --help.

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "serial/event.h"
#include "tools/checker/checker.h"
#include "tools/checker/interrupt.h"
#include "tools/checker/options.h"
#include "tools/checker/port.h"
#include "tools/checker/record.h"
#include "tools/ports/serial_ports.h"

namespace {

// Exit status when nothing was checked.
constexpr int kNotRun = 2;

int Fail(const std::string& message) {
    std::fprintf(stderr, "controller_check: %s\n", message.c_str());
    return kNotRun;
}

// Asks on stdin; anything but yes (or the end of stdin) is a no.
bool Confirmed(const check::Options& options) {
    std::fputs(check::PlanText(options).c_str(), stdout);
    std::fputs("Go on? [y/N] ", stdout);
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return answer == "y" || answer == "yes";
}

// Whether the report can be written, found without touching a report that is already there
// (the engineer may still say no); created tells whether this made the file.
bool Writable(const std::string& path, bool& created) {
    std::error_code ignored;
    created = !std::filesystem::exists(path, ignored);
    std::ofstream probe(path, std::ios::out | std::ios::app | std::ios::binary);
    return probe.good();
}

}  // namespace

int main(int argc, char** argv) {
    check::Options options;
    std::string error;
    if (!check::ParseOptions(argc, argv, options, error)) return Fail(error + " (see --help)");
    if (options.help) {
        std::fputs(check::HelpText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts(check::VersionText().c_str());
        return 0;
    }
    if (options.listPorts) return ports::PrintSerialPorts();
    const auto stop = serial::Event::Create();
    if (!stop) return Fail("cannot create the event that Ctrl-C and SIGTERM set");
    // Whatever can fail before a command is sent fails before the engineer is asked: the port,
    // then the report's path.
    check::CheckPort port(*stop);
    if (const std::string failure = port.Open(options.device, options.baud); !failure.empty()) {
        return Fail("cannot open " + options.device + ": " + failure);
    }
    bool reportCreated = false;
    if (!options.report.empty() && !Writable(options.report, reportCreated)) {
        return Fail("cannot write the report " + options.report);
    }
    if (!options.yes && !Confirmed(options)) {
        if (reportCreated) std::filesystem::remove(options.report);
        std::puts("Nothing was sent.");
        return kNotRun;
    }
    std::ofstream report;
    if (!options.report.empty()) {
        report.open(options.report, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!report) return Fail("cannot write the report " + options.report);
    }
    // Only now: until a command goes out, Ctrl-C (at the question, too) just ends the program.
    if (!check::InstallInterrupt(*stop)) return Fail("cannot watch for Ctrl-C and SIGTERM");
    check::Record record(stdout);
    int status = check::Checker(options, port, record, *stop).Run();
    port.Close();

    if (report.is_open()) {
        report << record.Text();
        report.close();
        if (!report) {
            std::fprintf(stderr, "controller_check: the report %s was not written whole\n",
                         options.report.c_str());
            if (status == 0) status = 1;
        }
    }
    return status;
}

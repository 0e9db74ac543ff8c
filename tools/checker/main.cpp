// controller_check: checks a traffic-light controller the same way every time and keeps the
// record. See --help.

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "serial/event.h"
#include "tools/checker/checker.h"
#include "tools/checker/interrupt.h"
#include "tools/checker/options.h"
#include "tools/checker/port.h"
#include "tools/checker/record.h"

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
    if (!options.yes && !Confirmed(options)) {
        std::puts("Nothing was sent.");
        return kNotRun;
    }

    const auto stop = serial::Event::Create();
    if (!stop || !check::InstallInterrupt(*stop)) return Fail("cannot watch for Ctrl-C");
    check::CheckPort port(*stop);
    if (const std::string failure = port.Open(options.device, options.baud); !failure.empty()) {
        return Fail("cannot open " + options.device + ": " + failure);
    }
    // Opened before anything is sent, so that a path that cannot be written stops the run
    // while the controller is still untouched.
    std::ofstream report;
    if (!options.report.empty()) {
        report.open(options.report, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!report) return Fail("cannot write the report " + options.report);
    }
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

// controller_check against the simulated controller: the normal one passes every group in
// both formats and at two speeds, each of its faults fails the checks it should and only
// those, and every run, Ctrl-C included, leaves the controller as it was found.

#include <signal.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/tools/sim_process.h"

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;

struct Case {
    const char* name;
    std::vector<std::string> sim;    // the simulator's options
    std::vector<std::string> check;  // the checker's, besides --device, --yes and --report
    std::vector<Bytes> before;       // commands that set the lights before the run
    std::set<std::string> failing;   // the checks that must fail
    std::set<std::string> others;    // what every other check may end as
    int exitStatus;
    const char* interruptAt = nullptr;  // Ctrl-C once a line with this text is printed
    std::chrono::seconds within{30};    // the run takes no longer
};

const std::set<std::string> kPass{"PASS"};
const std::set<std::string> kSkip{"SKIP"};

const Case kCases[] = {
    {"Normal5ByteAt9600", {}, {"--address-change", "--speed-change"}, {{1, 'A', 1}}, {}, kPass, 0},
    {"Normal3ByteAt115200",
     {"--format", "3", "--baud", "115200", "--address", "7", "--timeout", "255"},
     {"--format", "3", "--baud", "115200", "--address", "7", "--address-change", "--speed-change"},
     {{7, 'B', 2}},
     {},
     kPass,
     0},
    // A split reply is still a reply.
    {"SplitReply", {"--split", "10"}, {"--address-change", "--speed-change"}, {}, {}, kPass, 0},
    {"BrokenMarkers", {"--broken-markers"}, {}, {}, {"link.markers", "replies.markers"}, kPass, 1},
    {"WrongAddress",
     {"--wrong-address", "9"},
     {"--address-change"},
     {},
     {"link.address", "address.write", "address.back", "replies.address"},
     kPass,
     1},
    // No whole reply to D: the later groups are skipped rather than waited out.
    {"Silent", {"--silent"}, {}, {}, {"link.answer"}, kSkip, 1, nullptr, std::chrono::seconds(5)},
    {"DelayBeyondTheLimit", {"--delay", "700"}, {}, {}, {"link.answer"}, kSkip, 1},
    {"FormatMismatch", {"--format", "3"}, {}, {}, {"link.answer"}, kSkip, 1},
    // Stopped while the lights and the timeout are changed: both are put back.
    {"CtrlC",
     {"--timeout", "37"},
     {},
     {{1, 'A', 2}, {1, 'B', 1}},
     {},
     {"PASS", "SKIP"},
     130,
     "timeout.write:"},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class ControllerCheck : public testing::TestWithParam<Case> {};

// The simulator's own account of the controller's lights, timeout, address and speed,
// without its time stamp.
std::string State(SimProcess& sim) {
    if (!sim.Write("state\n")) return {};
    const std::string line = sim.NextLineWith("-- address ").value_or("");
    return line.substr(std::min(line.size(), line.find("-- address ")));
}

size_t ReplyLength(const Case& c) {
    for (size_t i = 0; i + 1 < c.sim.size(); ++i) {
        if (c.sim[i] == "--format" && c.sim[i + 1] == "3") return 3;
    }
    return 5;
}

// Check key to PASS, FAIL or SKIP, from the summary at the end of the record.
std::map<std::string, std::string> Verdicts(const std::vector<std::string>& lines) {
    std::map<std::string, std::string> verdicts;
    bool summary = false;
    for (const std::string& line : lines) {
        if (line == "Summary") summary = true;
        std::istringstream words(line);
        std::string verdict;
        std::string key;
        if (summary && words >> verdict >> key &&
            (verdict == "PASS" || verdict == "FAIL" || verdict == "SKIP")) {
            verdicts[key] = verdict;
        }
    }
    return verdicts;
}

TEST_P(ControllerCheck, Run) {
    const Case& c = GetParam();
    TempDir dir;
    SimProcess sim(c.sim);
    const std::string device = sim.DevicePath();
    ASSERT_FALSE(device.empty());
    {
        ConsoleEnd console(device);
        for (const Bytes& command : c.before) {
            ASSERT_EQ(console.Ask(command, ReplyLength(c)).size(), ReplyLength(c));
        }
    }
    const std::string found = State(sim);
    ASSERT_FALSE(found.empty());

    const std::string report = dir.Path() + "/report.txt";
    std::vector<std::string> args{"--device", device, "--yes", "--report", report};
    args.insert(args.end(), c.check.begin(), c.check.end());
    const auto started = Clock::now();
    ToolProcess checker(CONTROLLER_CHECK_PATH, args);
    if (c.interruptAt) {
        ASSERT_TRUE(checker.WaitForLine(c.interruptAt, std::chrono::seconds(30)));
        checker.Signal(SIGINT);
    }
    const std::optional<int> status = checker.WaitExit(std::chrono::seconds(60));
    ASSERT_TRUE(status.has_value());
    EXPECT_LT(Clock::now() - started, c.within);
    EXPECT_EQ(*status, c.exitStatus);

    const std::vector<std::string> lines = checker.Lines();
    const auto verdicts = Verdicts(lines);
    EXPECT_FALSE(verdicts.empty());
    for (const auto& [key, verdict] : verdicts) {
        if (c.failing.count(key)) {
            EXPECT_EQ(verdict, "FAIL") << key;
        } else {
            EXPECT_TRUE(c.others.count(verdict)) << key << " " << verdict;
        }
    }
    for (const std::string& key : c.failing) EXPECT_TRUE(verdicts.count(key)) << key;

    // The report is the record as printed.
    std::string printed;
    for (const std::string& line : lines) printed += line + "\n";
    std::ifstream file(report, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), printed);

    EXPECT_EQ(State(sim), found);
}

INSTANTIATE_TEST_SUITE_P(AgainstTheSimulator, ControllerCheck, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

// The lights switch on a real weighbridge: without --yes nothing is sent until the engineer
// says yes.
TEST(ControllerCheckConfirmation, AnythingButYesSendsNothing) {
    SimProcess sim({});
    const std::string device = sim.DevicePath();
    ASSERT_FALSE(device.empty());
    ToolProcess checker(CONTROLLER_CHECK_PATH, {"--device", device});
    ASSERT_TRUE(checker.Write("n\n"));
    EXPECT_EQ(checker.WaitExit(), 2);
    EXPECT_TRUE(checker.WaitForLine("Go on?", std::chrono::milliseconds(0)));
    ASSERT_TRUE(sim.Control("state", "address "));
    for (const std::string& line : sim.Lines()) EXPECT_EQ(line.find("<- "), std::string::npos);
}

}  // namespace
}  // namespace simtest

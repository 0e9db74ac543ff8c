// controller_check against the simulated controller: the normal one passes every group in
// both formats and at two speeds, each of its faults fails the checks it should and only
// those, and every run, Ctrl-C included, leaves the controller as it was found.

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "tests/tools/sim_process.h"
#include "tools/pty/pty_pair.h"

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
    const char* interruptAt = nullptr;  // a signal once a line with this text is printed
    std::chrono::seconds within{30};    // the run takes no longer
    int signal = SIGINT;
    std::vector<std::string> says{};  // what the record says, each somewhere in a line
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
    // A late reply is told from none, with the option that gives a slow controller time.
    {"DelayBeyondTheLimit",
     {"--delay", "700"},
     {},
     {},
     {"link.answer"},
     kSkip,
     1,
     nullptr,
     std::chrono::seconds(30),
     SIGINT,
     {"the reply came too late, after 7", "try --time-limit "}},
    {"FormatMismatch", {"--format", "3"}, {}, {}, {"link.answer"}, kSkip, 1},
    // Stopped while the lights and the timeout are changed: both are put back.
    {"CtrlC",
     {"--timeout", "37"},
     {},
     {{1, 'A', 2}, {1, 'B', 1}},
     {},
     {"PASS", "SKIP"},
     130,
     "timeout.write:",
     std::chrono::seconds(30),
     SIGINT,
     {"Stopped by SIGINT (Ctrl-C)."}},
    {"Sigterm",
     {},
     {},
     {{1, 'A', 1}},
     {},
     {"PASS", "SKIP"},
     143,
     "lights.b1:",
     std::chrono::seconds(30),
     SIGTERM,
     {"Stopped by SIGTERM.", "Result: stopped by SIGTERM;"}},
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
        checker.Signal(c.signal);
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
    for (const std::string& text : c.says) {
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        })) << text;
    }

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

// Stands in the line between the checker and the simulator and passes every byte, except that
// the replies to J may be falsified: their address byte raised by one, or never delivered.
// Bytes of its own can be put on the line to the checker.
class JMeddler {
  public:
    enum Meddle { RaiseAddress, Swallow, PassAll };

    JMeddler(const std::string& simDevice, Meddle meddle)
        : line_(tty::kKeepSlave | tty::kRawSlave),
          checkerSide_(line_.ReleaseMaster()),
          simSide_(simDevice),
          meddle_(meddle) {
        simSide_.SetSpeed(9600);  // the simulator's own
        commands_ = std::thread([this] { PassCommands(); });
        replies_ = std::thread([this] { PassReplies(); });
    }
    ~JMeddler() {
        stop_ = true;
        commands_.join();
        replies_.join();
    }
    const std::string& Path() const { return line_.Path(); }
    void Inject(const Bytes& bytes) { checkerSide_.Send(bytes); }

  private:
    static constexpr auto kPoll = 20ms;
    static constexpr size_t kDataByte = 3;  // of a five-byte reply

    // Commands are told apart as the simulator tells them: three bytes, or fewer before a
    // silence.
    void PassCommands() {
        Bytes command;
        while (!stop_) {
            const Bytes chunk = checkerSide_.ReadChunk(kPoll);
            if (chunk.empty()) command.clear();
            for (const uint8_t byte : chunk) {
                command.push_back(byte);
                if (command.size() < 3) continue;
                std::lock_guard lock(mutex_);
                letter_ = command[1];
                replyByte_ = 0;
                command.clear();
            }
            simSide_.Send(chunk);
        }
    }

    void PassReplies() {
        while (!stop_) {
            Bytes passed;
            for (uint8_t byte : simSide_.ReadChunk(kPoll)) {
                std::lock_guard lock(mutex_);
                const size_t at = replyByte_++;
                if (letter_ == 'J' && meddle_ == Swallow) continue;
                if (letter_ == 'J' && meddle_ == RaiseAddress && at == kDataByte) ++byte;
                passed.push_back(byte);
            }
            if (!passed.empty()) checkerSide_.Send(passed);
        }
    }

    tty::PtyPair line_;
    ConsoleEnd checkerSide_;
    ConsoleEnd simSide_;
    const Meddle meddle_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    uint8_t letter_ = 0;
    size_t replyByte_ = 0;
    std::thread commands_;
    std::thread replies_;
};

bool HasLine(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

// The lights switch on a real weighbridge: without --yes nothing is sent until the engineer
// says yes. What the line carried while the question waited (noise, an adapter's glitch on
// opening) answers no command: it is dropped and counted, not held against the controller.
TEST(ControllerCheckConfirmation, AnythingButYesSendsNothing) {
    SimProcess sim({});
    const std::string device = sim.DevicePath();
    ASSERT_FALSE(device.empty());
    {
        ToolProcess checker(CONTROLLER_CHECK_PATH, {"--device", device});
        ASSERT_TRUE(checker.Write("n\n"));
        EXPECT_EQ(checker.WaitExit(), 2);
        EXPECT_TRUE(checker.WaitForLine("Go on?", std::chrono::milliseconds(0)));
        ASSERT_TRUE(sim.Control("state", "address "));
        for (const std::string& line : sim.Lines()) EXPECT_EQ(line.find("<- "), std::string::npos);
    }
    JMeddler line(device, JMeddler::PassAll);
    ToolProcess checker(CONTROLLER_CHECK_PATH, {"--device", line.Path()});
    ASSERT_TRUE(checker.WaitForLine("make sure no vehicle is on it or near"));
    line.Inject({0xFF, 0x01, 0x44});
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(checker.Write("y\n"));
    EXPECT_EQ(checker.WaitExit(std::chrono::seconds(60)), 0);
    const std::vector<std::string> lines = checker.Lines();
    EXPECT_TRUE(
        HasLine(lines, "Discarded:   3 bytes that came before the first command: FF 01 44"));
    EXPECT_FALSE(HasLine(lines, "came outside any reply"));
    EXPECT_EQ(Verdicts(lines)["replies.extra"], "PASS");
}

// A group that was asked for and could not run is not a pass: the run exits 1 with every
// other check passed, says why in the summary, and does not take J's word for the address D
// answers at.
TEST(ControllerCheckSkips, AGroupAskedForAndNotRunFailsTheRun) {
    struct Meddled {
        JMeddler::Meddle meddle;
        std::string why;
        std::string address;  // as the record names the controller's
    };
    for (const Meddled& m :
         {Meddled{JMeddler::RaiseAddress, "J reads address 2 where D answers at 1",
                  "address 1 (J reads 2)"},
          Meddled{JMeddler::Swallow, "J did not answer before the checks",
                  "address 1 (J unanswered)"}}) {
        SCOPED_TRACE(m.why);
        SimProcess sim({});
        const std::string device = sim.DevicePath();
        ASSERT_FALSE(device.empty());
        JMeddler line(device, m.meddle);
        ToolProcess checker(CONTROLLER_CHECK_PATH,
                            {"--device", line.Path(), "--yes", "--address-change"});
        EXPECT_EQ(checker.WaitExit(std::chrono::seconds(60)), 1);

        const std::vector<std::string> lines = checker.Lines();
        for (const auto& [key, verdict] : Verdicts(lines)) {
            const bool addressGroup = key.rfind("address.", 0) == 0;
            EXPECT_EQ(verdict, addressGroup ? "SKIP" : "PASS") << key;
        }
        EXPECT_TRUE(HasLine(
            lines, "Result: 2 asked for and not run (address.write, address.back): " + m.why));
        EXPECT_TRUE(HasLine(lines, "; " + m.address + "; speed 9600 bit/s"));  // as found
        EXPECT_TRUE(HasLine(lines, "Left as found: ")) << "the address was not touched";
        EXPECT_FALSE(HasLine(lines, "address 2;"));
    }
}

// Whatever fails before a command is sent fails before the engineer is asked, in the words
// the console uses (its Russian as it stands), then in English: a missing device, and a
// port that another program holds, here a checker waiting at its question.
TEST(ControllerCheckPort, RefusedBeforeTheQuestionInTheConsolesWords) {
    // Standard error as well as standard output.
    const auto checker = [](const std::string& device, const std::string& more) {
        return std::make_unique<ToolProcess>(
            "/bin/sh", std::vector<std::string>{"-c", std::string("exec ") + CONTROLLER_CHECK_PATH +
                                                          " --device " + device + more + " 2>&1"});
    };
    {
        const auto missing = checker("/dev/ttyUSB_missing_here", "");
        EXPECT_EQ(missing->WaitExit(), 2);
        EXPECT_TRUE(HasLine(missing->Lines(),
                            "Невозможно открыть порт. Устройство "
                            "/dev/ttyUSB_missing_here не существует."));
        EXPECT_TRUE(
            HasLine(missing->Lines(), "  The port could not be opened: there is no such device"));
        EXPECT_FALSE(HasLine(missing->Lines(), "Go on?"));
    }
    SimProcess sim({});
    const std::string device = sim.DevicePath();
    ASSERT_FALSE(device.empty());
    const auto first = checker(device, "");
    // The plan comes just before the question, and only once the port is open.
    ASSERT_TRUE(first->WaitForLine("make sure no vehicle is on it or near"));
    const auto second = checker(device, " --yes");
    EXPECT_EQ(second->WaitExit(), 2);
    EXPECT_TRUE(HasLine(second->Lines(), "Невозможно открыть порт. Устройство " + device +
                                             " занято: порт открыт другой программой."));
    EXPECT_TRUE(
        HasLine(second->Lines(), "  The port could not be opened: another program has it open"));
    ASSERT_TRUE(first->Write("n\n"));
    EXPECT_EQ(first->WaitExit(), 2);
}

}  // namespace
}  // namespace simtest

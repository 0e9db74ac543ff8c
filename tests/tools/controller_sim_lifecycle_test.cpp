// The simulator's injected faults, its line monitor, its link and its stopping.

#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "tests/tools/sim_process.h"
#include "tools/frames/protocol.h"
#include "tools/pty/pty_pair.h"

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;

const Bytes kStatusRequest{1, 'D', 0};
const Bytes kStatusReply{0xFF, 1, 'D', 0x80, 0x03};

TEST(ControllerSimFaults, SplitReplyArrivesInTwoPartsWithAPause) {
    SimProcess sim({});
    ConsoleEnd console(sim.DevicePath());
    ASSERT_TRUE(sim.Control("split 300", "split 300 ms"));

    console.Send(kStatusRequest);
    const Bytes first = console.ReadChunk();
    const auto firstAt = Clock::now();
    const Bytes rest = console.Read(4);
    const auto gap = Clock::now() - firstAt;
    EXPECT_EQ(first, Bytes{0xFF});
    EXPECT_EQ(rest, (Bytes{1, 'D', 0x80, 0x03}));
    EXPECT_GE(gap, std::chrono::milliseconds(150));  // half the pause: tolerant of a late reader

    ASSERT_TRUE(sim.Control("normal", "faults off"));
    EXPECT_EQ(console.Ask(kStatusRequest), kStatusReply);
}

TEST(ControllerSimFaults, AddressMarkersDelayAndSilence) {
    SimProcess sim({"--wrong-address", "9"});
    ConsoleEnd console(sim.DevicePath());
    EXPECT_EQ(console.Ask(kStatusRequest), (Bytes{0xFF, 9, 'D', 0x80, 0x03}));

    ASSERT_TRUE(sim.Control("broken-markers on", "broken-markers on"));
    EXPECT_EQ(console.Ask(kStatusRequest), (Bytes{0xFE, 9, 'D', 0x80, 0x02}));

    ASSERT_TRUE(sim.Control("normal", "faults off"));
    ASSERT_TRUE(sim.Control("delay 300", "delay 300 ms"));
    const auto sent = Clock::now();
    EXPECT_EQ(console.Ask(kStatusRequest), kStatusReply);
    EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(150));

    ASSERT_TRUE(sim.Control("delay 0", "delay 0 ms"));
    ASSERT_TRUE(sim.Control("silent on", "silent on"));
    console.Send({1, 'A', 1});  // obeyed, though not answered
    ASSERT_TRUE(sim.WaitForLine("no reply (silent)"));
    ASSERT_TRUE(sim.Control("silent off", "silent off"));
    // Nothing was left on the line by the silent command: the next bytes are D's reply.
    EXPECT_EQ(console.Ask(kStatusRequest), (Bytes{0xFF, 1, 'D', 0x81, 0x03}));
}

// A reply takes its time on the line, at the controller's line speed when it leaves (H moves
// it, the console's end follows); --instant writes it at once. Bounds only: a loaded machine
// can make a reply late, never early.
TEST(ControllerSimPacing, RepliesTakeTheTimeOfTheLineSpeed) {
    using Ms = std::chrono::duration<double, std::milli>;
    auto byteTime = [](uint32_t baud) { return Ms(10'000.0 / baud); };
    SimProcess paced({});
    SimProcess instant({"--instant"});
    ConsoleEnd pacedEnd(paced.DevicePath());
    ConsoleEnd instantEnd(instant.DevicePath());
    const struct {
        const char* name;
        bool instant;
        uint32_t baud;
        size_t length;
        double atLeast;  // byte times at this speed from the command to the reply's last byte
        double spread;   // byte times from the reply's first byte to its last, in one try
        // Byte times at 9600 within which the quickest try ends; 0: any. Five: sooner than a
        // five-byte reply paced at 9600 can end, and no tighter, so that load cannot fail it.
        double below;
    } cases[] = {
        {"paced, 9600", false, 9600, 5, 5, 2, 0},
        {"paced, 115200 after 9600", false, 115200, 5, 5, 0, 5},
        {"paced, 9600 again, three-byte", false, 9600, 3, 3, 1, 0},
        {"instant, 9600", true, 9600, 5, 0, 0, 5},
    };
    uint32_t pacedAt = 9600;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimProcess& sim = c.instant ? instant : paced;
        ConsoleEnd& console = c.instant ? instantEnd : pacedEnd;
        const std::string format = "format " + std::to_string(c.length);
        ASSERT_TRUE(sim.Control(format, format));
        if (!c.instant && c.baud != pacedAt) {
            const uint8_t code = *frames::SpeedCodeForBaud(c.baud);
            ASSERT_EQ(console.Ask({1, 'H', code}, c.length).size(), c.length);
            ASSERT_TRUE(sim.WaitForLine("line speed " + std::to_string(c.baud)));
            pacedAt = c.baud;
        }
        ASSERT_TRUE(console.SetSpeed(c.baud));
        Ms quickest = Ms::max();
        Ms widest{0};
        for (int attempt = 0; attempt < 3; ++attempt) {
            const auto sent = Clock::now();
            console.Send(kStatusRequest);
            Bytes reply = console.ReadChunk();
            const auto first = Clock::now();
            while (!reply.empty() && reply.size() < c.length) {
                const Bytes more = console.ReadChunk();
                if (more.empty()) break;
                reply.insert(reply.end(), more.begin(), more.end());
            }
            const auto last = Clock::now();
            ASSERT_EQ(reply.size(), c.length);
            EXPECT_GE(Ms(last - sent), byteTime(c.baud) * c.atLeast);
            quickest = std::min(quickest, Ms(last - sent));
            widest = std::max(widest, Ms(last - first));
        }
        EXPECT_GE(widest, byteTime(c.baud) * c.spread);
        if (c.below > 0) {
            EXPECT_LT(quickest, byteTime(9600) * c.below);
        }
    }
}

TEST(ControllerSimMonitor, PrintsEachFrameInHexWithATimeStamp) {
    SimProcess sim({});
    ConsoleEnd console(sim.DevicePath());
    EXPECT_EQ(console.Ask(kStatusRequest), kStatusReply);
    ASSERT_TRUE(sim.WaitForLine("-> FF 01 44 80 03"));

    // "hh:mm:ss.mmm " and then the frame.
    auto stamped = [](const std::string& line, const std::string& text) {
        const std::string shape = "00:00:00.000 ";
        if (line.size() != shape.size() + text.size()) return false;
        for (size_t i = 0; i < shape.size(); ++i) {
            const bool digit = std::isdigit(static_cast<unsigned char>(line[i])) != 0;
            if (shape[i] == '0' ? !digit : line[i] != shape[i]) return false;
        }
        return line.compare(shape.size(), std::string::npos, text) == 0;
    };
    const auto lines = sim.Lines();
    auto has = [&](const std::string& text) {
        for (const auto& line : lines) {
            if (stamped(line, text)) return true;
        }
        return false;
    };
    EXPECT_TRUE(has("<- 01 44 00"));
    EXPECT_TRUE(has("-> FF 01 44 80 03"));
}

TEST(ControllerSimLifecycle, SurvivesTheConsoleReopeningAndRemovesItsLinkOnSigterm) {
    TempDir dir;
    const std::string link = dir.Path() + "/ttySIM";
    SimProcess sim({"--link", link});
    const std::string path = sim.DevicePath();
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(std::filesystem::read_symlink(link), path);

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("open number " + std::to_string(round + 1));
        ConsoleEnd console(link);  // the console opens the link, not the device itself
        ASSERT_TRUE(console.IsOpen());
        EXPECT_EQ(console.Ask(kStatusRequest), kStatusReply);
    }

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.WaitExit(), std::optional<int>(0));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(ControllerSimLifecycle, ReplacesAStaleLinkButNeverAFile) {
    TempDir dir;
    const std::string link = dir.Path() + "/ttySIM";
    std::filesystem::create_symlink("/nonexistent/stale", link);
    {
        SimProcess sim({"--link", link});
        const std::string path = sim.DevicePath();
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(std::filesystem::read_symlink(link), path);
        sim.Signal(SIGINT);
        EXPECT_EQ(sim.WaitExit(), std::optional<int>(0));
    }
    const std::string file = dir.Path() + "/plain";
    { std::ofstream(file) << "keep me"; }
    SimProcess sim({"--link", file});
    EXPECT_EQ(sim.WaitExit(), std::optional<int>(1));
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
}

// A pseudo-terminal pair stands in for a null-modem cable: the simulator serves the slave
// as a serial device, the test talks through the master. The device is set as the console
// sets its port, whatever an earlier user left: raw 8N1 without flow control, parity not
// checked, and a break ignored rather than read as a 0 byte that would shift the next
// command (a pseudo-terminal cannot send one: its settings are what can be checked).
TEST(ControllerSimDevice, ServesAGivenDeviceAsTheConsoleSetsItsPortAndSwitchesAfterTheReply) {
    tty::PtyPair pair(tty::kKeepSlave);  // the slave held to read its settings
    const std::string device = pair.Path();
    ConsoleEnd cable(pair.ReleaseMaster());
    termios left{};
    ::tcgetattr(pair.Slave(), &left);
    left.c_iflag |= BRKINT | INPCK | PARMRK | ISTRIP | IGNPAR | ICRNL | IXON;
    left.c_iflag &= ~IGNBRK;
    left.c_cflag |= PARENB | CSTOPB | CRTSCTS;
    left.c_lflag |= ICANON | ECHO | ISIG;
    ::tcsetattr(pair.Slave(), TCSANOW, &left);
    auto expectConsolesSettings = [&](speed_t speed) {
        termios tio{};
        ASSERT_EQ(::tcgetattr(pair.Slave(), &tio), 0);
        EXPECT_EQ(::cfgetospeed(&tio), speed);
        EXPECT_TRUE(tio.c_iflag & IGNBRK);
        EXPECT_EQ(tio.c_iflag & (BRKINT | INPCK | PARMRK | ISTRIP | IGNPAR | ICRNL | IXON), 0u);
        EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8});
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    };

    SimProcess sim({"--device", device, "--baud", "19200", "--format", "3"});
    ASSERT_EQ(sim.DevicePath(), device);
    ASSERT_TRUE(sim.WaitForLine("-- controller 1"));  // configured by now
    expectConsolesSettings(B19200);

    cable.Send({1, 'H', 38});
    EXPECT_EQ(cable.Read(3), (Bytes{1, 'H', 38}));
    ASSERT_TRUE(sim.WaitForLine("line speed now 38400"));
    expectConsolesSettings(B38400);
}

// The adapter is pulled out and plugged in again under the same name (a link to a new
// pseudo-terminal): the loss and the return are reported once each, the device is looked
// for every 500 ms in between without the loop spinning, and the controller answers again.
TEST(ControllerSimDevice, DeviceThatDisappearsIsReportedOnceAndOpenedAgainWithoutSpinning) {
    TempDir dir;
    const std::string device = dir.Path() + "/ttyUSB0";
    auto plugIn = [&] {
        auto pair = std::make_unique<tty::PtyPair>();
        std::filesystem::remove(device);
        std::filesystem::create_symlink(pair->Path(), device);
        return std::make_unique<ConsoleEnd>(pair->ReleaseMaster());
    };
    auto cable = plugIn();
    SimProcess sim({"--device", device});
    ASSERT_EQ(sim.DevicePath(), device);
    EXPECT_EQ(cable->Ask(kStatusRequest), kStatusReply);

    // Its terminal goes away, and the name with it: a name left behind could lead the
    // simulator to another test's terminal that took over the freed number.
    std::filesystem::remove(device);
    cable.reset();
    ASSERT_TRUE(sim.WaitForLine("-- device " + device + " lost"));
    const long before = sim.CpuTicks();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_LE(sim.CpuTicks() - before, 15) << "the simulator is busy while the device is gone";

    cable = plugIn();
    ASSERT_TRUE(sim.WaitForLine("-- device " + device + " open again at 9600 bit/s"));
    EXPECT_EQ(cable->Ask(kStatusRequest), kStatusReply);

    auto count = [&](const std::string& text) {
        const auto lines = sim.Lines();
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    };
    EXPECT_EQ(count(" lost ("), 1);
    EXPECT_EQ(count(" open again "), 1);
    EXPECT_LE(count("-- device"), 3);  // and at most the reason it could not be opened
}

// What a command prints on stdout and stderr, and its exit status.
std::pair<int, std::string> RunShell(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1 </dev/null").c_str(), "r");
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    const int status = pipe ? ::pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(ControllerSimLifecycle, RejectsBadOptionsWithoutOpeningALine) {
    // The tap is a program of its own: the simulator no longer takes its options.
    for (const char* bad :
         {"--format=4", "--address=0", "--baud=1200", "--nonsense", "--tap=x", "--log=x"}) {
        SCOPED_TRACE(bad);
        SimProcess sim({bad});
        EXPECT_EQ(sim.WaitExit(), std::optional<int>(2));
        EXPECT_TRUE(sim.Lines().empty());
    }
    // An engineer used to the old --tap (and its --log) is sent to the program that has them.
    for (const char* moved : {"--tap /dev/ttyUSB0", "--log=tap.log"}) {
        SCOPED_TRACE(moved);
        const auto [status, output] = RunShell(std::string(CONTROLLER_SIM_PATH) + " " + moved);
        EXPECT_EQ(status, 2) << output;
        EXPECT_NE(output.find("controller_sim: the tap is a program of its own now: "
                              "controller_tap --device DEVICE"),
                  std::string::npos)
            << output;
    }
    // The tap refuses what only a simulator can do, naming what it takes.
    for (const char* bad : {"--split 20", "--address 3", "--control x", "--exit-on-eof"}) {
        SCOPED_TRACE(bad);
        const auto [status, output] =
            RunShell(std::string(CONTROLLER_TAP_PATH) + " --device /dev/null " + bad);
        EXPECT_EQ(status, 2) << output;
        EXPECT_NE(output.find("the tap takes --device, --baud, --link, --log, --format"),
                  std::string::npos)
            << output;
    }
    const auto [status, output] = RunShell(CONTROLLER_TAP_PATH);
    EXPECT_EQ(status, 2) << output;
    EXPECT_NE(output.find("--device is required"), std::string::npos) << output;
}

}  // namespace
}  // namespace simtest

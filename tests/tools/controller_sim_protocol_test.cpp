// The simulated controller's answers to the console's commands, over a real pseudo-terminal.

#include <gtest/gtest.h>

#include "tests/tools/sim_process.h"
#include "tools/frames/frame.h"

namespace simtest {
namespace {

using frames::HexBytes;

Bytes Reply5(uint8_t address, char letter, uint8_t data) {
    return {0xFF, address, static_cast<uint8_t>(letter), data, 0x03};
}

// A simulator and the console's end of its line.
struct Rig {
    explicit Rig(std::vector<std::string> args = {})
        : sim(std::move(args)), path(sim.DevicePath()), console(path) {}

    // Sends address/letter/data and returns the five-byte reply.
    Bytes Ask(uint8_t address, char letter, uint8_t data) {
        return console.Ask({address, static_cast<uint8_t>(letter), data});
    }

    SimProcess sim;
    std::string path;
    ConsoleEnd console;
};

struct Step {
    uint8_t address;
    char letter;
    uint8_t data;
    Bytes reply;
};

void RunSteps(Rig& rig, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string("command ") + step.letter + " data " + std::to_string(step.data));
        EXPECT_EQ(rig.Ask(step.address, step.letter, step.data), step.reply);
    }
}

TEST(ControllerSimProtocol, StartsReadyWithBothLightsDark) {
    Rig rig;
    ASSERT_FALSE(rig.path.empty());
    ASSERT_TRUE(rig.console.IsOpen()) << rig.path;
    EXPECT_EQ(rig.Ask(1, 'D', 0), Reply5(1, 'D', 0x80));
}

TEST(ControllerSimProtocol, LightCommandsAndPatternsSetTheStatusBits) {
    Rig rig;
    RunSteps(rig, {
                      {1, 'A', 1, Reply5(1, 'A', 0x81)},  // entry red
                      {1, 'B', 2, Reply5(1, 'B', 0x89)},  // exit green
                      {1, 'A', 2, Reply5(1, 'A', 0x8A)},  // entry green
                      {1, 'B', 1, Reply5(1, 'B', 0x86)},  // exit red
                      {1, 'N', 0, Reply5(1, 'N', 0x80)},  // both dark
                      {1, 'K', 0, Reply5(1, 'K', 0x86)},  // entry green, exit red
                      {1, 'L', 0, Reply5(1, 'L', 0x89)},  // entry red, exit green
                      {1, 'M', 0, Reply5(1, 'M', 0x85)},  // both red
                      {1, 'O', 0, Reply5(1, 'O', 0x8A)},  // both green
                      {1, 'D', 0, Reply5(1, 'D', 0x8A)},
                      {1, 'C', 0, Reply5(1, 'C', 0x00)},  // reset: dark again
                      {1, 'D', 0, Reply5(1, 'D', 0x80)},
                  });
}

TEST(ControllerSimProtocol, ErrorsSetBitSixUntilReadWithE) {
    Rig rig;
    RunSteps(rig, {
                      {1, 'P', 0, Reply5(1, 'P', 0)},  // unknown letter: error 2
                      {1, 'D', 0, Reply5(1, 'D', 0xC0)},
                      {1, 'E', 0, Reply5(1, 'E', 2)},  // read and cleared
                      {1, 'E', 0, Reply5(1, 'E', 0)},
                      {1, 'D', 0, Reply5(1, 'D', 0x80)},
                      {1, 'A', 7, Reply5(1, 'A', 0xC0)},  // invalid data: error 3, light kept
                      {1, 'E', 0, Reply5(1, 'E', 3)},
                      {1, 'H', 1, Reply5(1, 'H', 9)},  // invalid speed code: still 9600
                      {1, 'E', 0, Reply5(1, 'E', 3)},
                      {0, 'I', 0, Reply5(1, 'I', 1)},  // address 0 cannot be assigned
                      {1, 'E', 0, Reply5(1, 'E', 3)},
                      {1, 'P', 0, Reply5(1, 'P', 0)},
                      {1, 'C', 0, Reply5(1, 'C', 0)},  // reset clears the error too
                      {1, 'D', 0, Reply5(1, 'D', 0x80)},
                  });
}

TEST(ControllerSimProtocol, SingleByteIsDroppedAfterSilenceWithErrorOne) {
    Rig rig;
    rig.console.Send({0x00});
    ASSERT_TRUE(rig.sim.WaitForLine("incomplete command dropped"));
    RunSteps(rig, {
                      {1, 'D', 0, Reply5(1, 'D', 0xC0)},
                      {1, 'E', 0, Reply5(1, 'E', 1)},
                  });
}

TEST(ControllerSimProtocol, CommandSplitAcrossWritesWithinTheGapIsWhole) {
    Rig rig({"--gap", "1000"});  // generous, so that a slow machine cannot split it
    rig.console.Send({0x01});
    rig.console.Send({0x44, 0x00});
    EXPECT_EQ(rig.console.Read(5), Reply5(1, 'D', 0x80));
}

TEST(ControllerSimProtocol, CommandForAnotherAddressIsIgnored) {
    Rig rig;
    rig.console.Send({0x02, 'D', 0x00});
    ASSERT_TRUE(rig.sim.WaitForLine("ignored"));
    // Had it been answered, that reply would come first; nor may it raise an error.
    EXPECT_EQ(rig.Ask(1, 'D', 0), Reply5(1, 'D', 0x80));
}

TEST(ControllerSimProtocol, AddressIsWrittenWithIAndReadWithJ) {
    Rig rig({"--address", "3"});
    RunSteps(rig, {
                      {0, 'J', 0, Reply5(3, 'J', 3)},
                      {0, 'I', 7, Reply5(7, 'I', 7)},  // the reply comes from the new address
                      {7, 'D', 0, Reply5(7, 'D', 0x80)},
                      {7, 'J', 0, Reply5(7, 'J', 7)},
                  });
    rig.console.Send({3, 'D', 0});  // the old address no longer answers
    ASSERT_TRUE(rig.sim.WaitForLine("ignored"));
    EXPECT_EQ(rig.Ask(7, 'D', 0), Reply5(7, 'D', 0x80));
}

TEST(ControllerSimProtocol, TimeoutIsStoredWithFAndReadWithG) {
    Rig rig({"--timeout", "12"});
    RunSteps(rig, {
                      {1, 'G', 0, Reply5(1, 'G', 12)},
                      {1, 'F', 25, Reply5(1, 'F', 25)},
                      {1, 'G', 0, Reply5(1, 'G', 25)},
                  });
}

// A reply taken from garbage: the right length, framed FF .. 03.
bool LooksLikeAReply(const Bytes& bytes) {
    for (size_t i = 0; i + 5 <= bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 4] == 0x03) return true;
    }
    return false;
}

// The controller keeps its own line speed, as a real one does, and a console at another
// speed is not understood either way; H moves it after its reply, C takes it back to 9600,
// and the console talks again once it has reopened at that speed.
TEST(ControllerSimProtocol, OnlyAConsoleAtTheControllersSpeedIsUnderstood) {
    Rig rig;
    ASSERT_TRUE(rig.console.SetSpeed(19200));
    rig.console.Send({1, 'D', 0});
    ASSERT_TRUE(rig.sim.WaitForLine("-- 01 44 00 sent at 19200 bit/s, read at 9600 bit/s as "));
    EXPECT_TRUE(rig.console.Read(1, std::chrono::milliseconds(300)).empty());

    // A reply that leaves while the console's end is at another speed arrives, but garbled.
    ASSERT_TRUE(rig.console.SetSpeed(9600));
    ASSERT_TRUE(rig.sim.Control("delay 300", "delay 300 ms"));
    rig.console.Send({1, 'D', 0});
    ASSERT_TRUE(rig.sim.WaitForLine("<- 01 44 00"));
    ASSERT_TRUE(rig.console.SetSpeed(38400));
    const Bytes garbled = rig.console.Read(16, std::chrono::seconds(1));
    EXPECT_FALSE(garbled.empty());
    EXPECT_FALSE(LooksLikeAReply(garbled)) << HexBytes(garbled);
    ASSERT_TRUE(rig.sim.Control("delay 0", "delay 0 ms"));
    ASSERT_TRUE(rig.console.SetSpeed(9600));

    const struct {
        Step step;
        uint32_t after;  // the controller's speed once the reply has left
    } steps[] = {
        {{1, 'H', 19, Reply5(1, 'H', 19)}, 19200},    {{1, 'H', 115, Reply5(1, 'H', 115)}, 115200},
        {{1, 'H', 100, Reply5(1, 'H', 115)}, 115200},  // refused, speed kept
        {{1, 'E', 0, Reply5(1, 'E', 3)}, 115200},     {{1, 'C', 0, Reply5(1, 'C', 0)}, 9600},
        {{1, 'D', 0, Reply5(1, 'D', 0x80)}, 9600},
    };
    uint32_t consoleAt = 9600;
    uint32_t controllerAt = 9600;
    for (const auto& [step, after] : steps) {
        SCOPED_TRACE(std::string("command ") + step.letter + " data " + std::to_string(step.data));
        if (consoleAt != controllerAt) {
            // Until the console reopens at the controller's new speed, its D is garbage there.
            rig.console.Send({1, 'D', 0});
            EXPECT_TRUE(rig.sim.WaitForLine("-- 01 44 00 sent at " + std::to_string(consoleAt) +
                                            " bit/s, read at " + std::to_string(controllerAt)));
            EXPECT_FALSE(LooksLikeAReply(rig.console.Read(5, std::chrono::milliseconds(300))));
            ASSERT_TRUE(rig.console.SetSpeed(controllerAt));
            consoleAt = controllerAt;
            ASSERT_TRUE(rig.sim.Control("error 0", "error 0"));  // what the garbage raised
        }
        EXPECT_EQ(rig.Ask(step.address, step.letter, step.data), step.reply);
        if (after != controllerAt) {
            EXPECT_TRUE(rig.sim.WaitForLine("line speed " + std::to_string(after)));
        }
        controllerAt = after;
    }
}

TEST(ControllerSimProtocol, ThreeByteFormatFromOptionAndControlLine) {
    Rig rig({"--format", "3", "--address", "5"});
    rig.console.Send({5, 'D', 0});
    EXPECT_EQ(rig.console.Read(3), (Bytes{5, 'D', 0x80}));
    ASSERT_TRUE(rig.sim.Control("format 5", "format 5"));
    EXPECT_EQ(rig.Ask(5, 'D', 0), Reply5(5, 'D', 0x80));
}

TEST(ControllerSimProtocol, ControlLinesSetInputsReadinessAndError) {
    Rig rig({"--input1"});
    EXPECT_EQ(rig.Ask(1, 'D', 0), Reply5(1, 'D', 0x90));
    ASSERT_TRUE(rig.sim.Control("input2 on", "input2 on"));
    ASSERT_TRUE(rig.sim.Control("ready off", "ready off"));
    ASSERT_TRUE(rig.sim.Control("error 4", "error 4"));
    EXPECT_EQ(rig.Ask(1, 'D', 0), Reply5(1, 'D', 0x70));
    EXPECT_EQ(rig.Ask(1, 'E', 0), Reply5(1, 'E', 4));
    EXPECT_TRUE(rig.sim.Control("bogus 1", "bad control line"));
}

}  // namespace
}  // namespace simtest

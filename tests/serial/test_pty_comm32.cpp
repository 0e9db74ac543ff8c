// The serial port object end to end over a pseudo-terminal: opening, receiving, sending,
// closing and a vanishing far side, with the real device backend and worker threads.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "pty.h"
#include "pump.h"
#include "serial/comm32.h"
#include "serial/comm_constants.h"
#include "serial/system_error.h"

namespace serial {
namespace {

using namespace std::chrono_literals;
using test::MessageOf;
using test::PumpFor;
using test::PumpUntil;
using testing::Pattern;
using testing::ProcessCpuTime;
using testing::Pty;
using Clock = std::chrono::steady_clock;

class PtyComm : public ::testing::Test {
  protected:
    void SetUp() override {
        comm.PortName = "//./" + pty.Path();
        comm.SetFlowControl(0);
        comm.SetEventChar(0);
        comm.OnReceiveData = [this](const uint8_t* data, uint16_t length) {
            chunks.emplace_back(data, data + length);
            received.insert(received.end(), data, data + length);
        };
        comm.OnCommFailure = [this](TComm32&) { ++failures; };
    }
    void TearDown() override { comm.ClosePort(); }

    void Open() {
        ASSERT_TRUE(comm.OpenPort());
        ASSERT_TRUE(PumpUntil(comm, [&] { return comm.ReaderReady() && comm.WriterReady(); }));
    }

    Pty pty;
    TComm32 comm;
    std::vector<std::vector<uint8_t>> chunks;
    std::vector<uint8_t> received;
    int failures = 0;
};

TEST_F(PtyComm, OpensAndClosesAndOpensAgain) {
    Open();
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_EQ(comm.Dcb().BaudRate, 9600u);
    comm.ClosePort();
    EXPECT_FALSE(comm.PortOpen());
    Open();
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_EQ(failures, 0);
}

TEST_F(PtyComm, OpeningFailuresNameTheirCause) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("dravik-comm-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "file") << "x";
    Open();

    TComm32 other;
    struct Case {
        std::string name;
        const char* message;
        int error;  // the system's reason that travels with the message
        SystemCause cause;
    };
    const Case cases[] = {
        {"//./no-such-tty", kCannotOpenPort, ENOENT, SystemCause::NotFound},
        {comm.PortName, kCannotOpenPort, EWOULDBLOCK, SystemCause::Busy},
        {"//./" + (dir / "file").string(), kNotACommPort, 0, SystemCause::None},
        {"//./" + dir.string(), kNotACommPort, 0, SystemCause::None},
        {"//.//dev/zero", kBadPortSettings, ENOTTY, SystemCause::Other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        other.PortName = c.name;
        try {
            other.OpenPort();
            ADD_FAILURE() << "opened";
        } catch (const ECommsError& e) {
            EXPECT_STREQ(e.what(), c.message);
            EXPECT_EQ(e.SystemError(), c.error);
            EXPECT_EQ(CauseOf(e.SystemError(), FailureStage::Opening), c.cause);
            const std::string text = SystemErrorText(e.SystemError());
            EXPECT_EQ(text.empty(), c.error == 0) << text;
            EXPECT_EQ(text.find_first_of("\r\n"), text.npos) << text;
            EXPECT_FALSE(!text.empty() && text.back() == '.') << text;
        }
        EXPECT_FALSE(other.PortOpen());
    }
    std::filesystem::remove_all(dir);
}

TEST_F(PtyComm, ASecondObjectCannotOpenAPortInUse) {
    Open();
    TComm32 other;
    other.PortName = comm.PortName;
    EXPECT_EQ(MessageOf([&] { other.OpenPort(); }), kCannotOpenPort);
    comm.ClosePort();
    EXPECT_EQ(MessageOf([&] { other.OpenPort(); }), "(nothing raised)");
    other.ClosePort();
}

TEST_F(PtyComm, AReplyWithoutGapsArrivesAsOneChunk) {
    Open();
    ASSERT_TRUE(pty.Write("\xFF\x01\x44\x00\x03", 5));
    ASSERT_TRUE(PumpUntil(comm, [&] { return received.size() >= 5; }));
    PumpFor(comm, 50ms);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0], (std::vector<uint8_t>{0xFF, 0x01, 0x44, 0x00, 0x03}));
}

TEST_F(PtyComm, AReplyWithAPauseArrivesInPieces) {
    Open();
    ASSERT_TRUE(pty.Write("\x01", 1));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(pty.Write("\x44\x00", 2));
    ASSERT_TRUE(PumpUntil(comm, [&] { return received.size() >= 3; }));
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0], std::vector<uint8_t>{0x01});
    EXPECT_EQ(chunks[1], (std::vector<uint8_t>{0x44, 0x00}));
}

TEST_F(PtyComm, AMebibyteArrivesWholeAndInOrder) {
    Open();
    const auto sent = Pattern(1 << 20, 3);
    std::thread far([&] { pty.Write(sent); });
    const bool all = PumpUntil(
        comm, [&] { return received.size() >= sent.size(); }, 20s);
    far.join();
    ASSERT_TRUE(all) << received.size() << " bytes";
    EXPECT_TRUE(received == sent);
    for (const auto& c : chunks) EXPECT_LE(c.size(), 32768u);
    EXPECT_EQ(failures, 0);
}

TEST_F(PtyComm, RequestsGoOutWholeAndInOrder) {
    Open();
    uint8_t command[3] = {0x01, 'D', 0x00};
    ASSERT_TRUE(comm.QueueWrite(command, 3));
    command[1] = 'E';  // the console reuses its buffer for the next command at once
    ASSERT_TRUE(comm.QueueWrite(nullptr, 0));
    ASSERT_TRUE(comm.QueueWrite(command, 3));
    const auto big = Pattern(60000, 9);
    ASSERT_TRUE(comm.QueueWrite(big.data(), static_cast<uint16_t>(big.size())));

    std::vector<uint8_t> expected = {0x01, 'D', 0x00, 0x01, 'E', 0x00};
    expected.insert(expected.end(), big.begin(), big.end());
    EXPECT_TRUE(pty.Read(expected.size(), 10s) == expected);
    PumpFor(comm, 20ms);
    EXPECT_EQ(failures, 0);
}

TEST_F(PtyComm, ClosingWithAWriteBlockedEndsPromptlyWithoutFailure) {
    Open();
    // The far end reads nothing, so the terminal fills and the writer blocks.
    const auto block = Pattern(65535);
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(comm.QueueWrite(block.data(), 65535));
    std::this_thread::sleep_for(100ms);
    const auto start = Clock::now();
    comm.ClosePort();
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_FALSE(comm.PortOpen());
    PumpFor(comm, 50ms);
    EXPECT_EQ(failures, 0);
}

TEST_F(PtyComm, TheFarSideClosingFailsOnceAndThenCostsNothing) {
    Open();
    pty.CloseMaster();
    ASSERT_TRUE(PumpUntil(
        comm, [&] { return failures > 0; }, 2s));
    // A command sent now meets the dead line too; still no second report from the reader.
    const uint8_t command[3] = {0x01, 'D', 0x00};
    comm.QueueWrite(command, 3);
    PumpFor(comm, 50ms);
    const int afterWrite = failures;
    EXPECT_LE(afterWrite, 2) << "one report per worker at most";

    const auto cpuBefore = ProcessCpuTime();
    PumpFor(comm, 300ms);
    const auto cpu = ProcessCpuTime() - cpuBefore;
    EXPECT_EQ(failures, afterWrite);
    EXPECT_LT(cpu, 30ms) << "something spins after the failure";
    EXPECT_TRUE(comm.PortOpen());  // a failed worker leaves the port open until closed
}

TEST_F(PtyComm, TheFarSideClosingWhileIdleIsReportedExactlyOnce) {
    Open();
    int errorSeen = -1;
    comm.OnCommFailure = [&](TComm32&) {
        ++failures;
        errorSeen = comm.LastFailureError();
    };
    pty.CloseMaster();
    ASSERT_TRUE(PumpUntil(
        comm, [&] { return failures > 0; }, 2s));
    PumpFor(comm, 200ms);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(errorSeen, EIO) << "the reason is there when the handler runs";
    EXPECT_EQ(CauseOf(errorSeen, FailureStage::Running), SystemCause::Gone);
}

}  // namespace
}  // namespace serial

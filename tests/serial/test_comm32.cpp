#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <functional>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <system_error>

#include "comm32_fixture.h"
#include "serial/comm_constants.h"
#include "serial/system_error.h"

namespace serial::test {
namespace {

using Bytes = std::vector<uint8_t>;

TEST_F(Comm32Test, OpensTheNamedDeviceAndClosesIt) {
    comm.PortName = "//./COM7";
    OpenReady();
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_EQ(port->OpenedNames(), (std::vector<std::string>{"//./COM7"}));
    const CommTimeouts t = port->Timeouts();
    EXPECT_EQ((std::vector<uint32_t>{t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier,
                                     t.ReadTotalTimeoutConstant, t.WriteTotalTimeoutMultiplier,
                                     t.WriteTotalTimeoutConstant}),
              (std::vector<uint32_t>{1, 1, 5, 1, 10}));
    comm.ClosePort();
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(port->LiveDevices(), 0);
    EXPECT_EQ(port->Calls(Call::EndReader), 1);
    EXPECT_EQ(port->Calls(Call::EndWriter), 1);
    // The object's purges come first for each worker, the worker's own at its stop.
    const auto purges = port->Purges();
    EXPECT_EQ(std::count(purges.begin(), purges.end(), 0x0Au), 2);
    EXPECT_EQ(std::count(purges.begin(), purges.end(), 0x05u), 2);
    EXPECT_TRUE(comm.ReaderReady() && comm.WriterReady()) << "ready flags are never cleared";
}

TEST_F(Comm32Test, SecondOpenRaisesAndChangesNothing) {
    OpenReady();
    EXPECT_EQ(MessageOf([&] { comm.OpenPort(); }), kPortAlreadyOpen);
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_EQ(port->OpenedNames().size(), 1u);
    const uint8_t byte = 0x44;
    EXPECT_TRUE(comm.QueueWrite(&byte, 1));
    EXPECT_TRUE(port->WaitWritten(1));
}

TEST_F(Comm32Test, CloseOnAClosedObjectDoesNothing) {
    comm.ClosePort();
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_TRUE(port->Purges().empty());
    const uint8_t byte = 1;
    EXPECT_FALSE(comm.QueueWrite(&byte, 1));
    EXPECT_FALSE(comm.EscapeFunction(SETRTS));
}

struct OpenFailure {
    std::string name;
    std::function<void(FakePort&)> arrange;
    const char* message;
    friend void PrintTo(const OpenFailure& c, std::ostream* os) { *os << c.name; }
};

class Comm32OpenFailureTest : public Comm32Test,
                              public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(Comm32OpenFailureTest, RaisesItsMessageAndLeavesTheObjectClosed) {
    GetParam().arrange(*port);
    EXPECT_EQ(MessageOf([&] { comm.OpenPort(); }), GetParam().message);
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(port->LiveDevices(), 0);
    const uint8_t byte = 1;
    EXPECT_FALSE(comm.QueueWrite(&byte, 1));
    comm.ClosePort();
    EXPECT_TRUE(port->Purges().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Comm32, Comm32OpenFailureTest,
    ::testing::Values(
        OpenFailure{"Refused", [](FakePort& p) { p.RefuseOpen(true); }, kCannotOpenPort},
        OpenFailure{"NotACharacterDevice", [](FakePort& p) { p.SetCharacterDevice(false); },
                    kNotACommPort},
        OpenFailure{"SettingsRefused", [](FakePort& p) { p.RefuseSetCommState(true); },
                    kBadPortSettings}),
    [](const auto& info) { return info.param.name; });

TEST_F(Comm32Test, ReopensAfterARefusedOpening) {
    port->RefuseOpen(true);
    EXPECT_THROW(comm.OpenPort(), ECommsError);
    port->RefuseOpen(false);
    OpenReady();
}

TEST_F(Comm32Test, NoCloseEventReturnsFalseWithoutRaising) {
    comm.NoCloseEvent = true;
    EXPECT_FALSE(comm.OpenPort());
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(port->LiveDevices(), 0);
}

struct CreationFailure {
    std::string name;
    bool reader;  // the reader cannot be created, else the writer
    std::exception_ptr thrown;
    int systemError;  // what the raised message carries
    friend void PrintTo(const CreationFailure& c, std::ostream* os) { *os << c.name; }
};

class Comm32CreationFailureTest : public Comm32Test,
                                  public ::testing::WithParamInterface<CreationFailure> {};

// Whatever keeps a worker from being created, its thread or what it needs (its buffer, its
// queue's event), OpenPort raises that worker's message and leaves the state it names:
// without a reader the device open and no thread; without a writer the reader running.
// ClosePort then cleans up, and the object opens again.
TEST_P(Comm32CreationFailureTest, RaisesTheWorkersMessageAndClosePortCleansUp) {
    const CreationFailure& c = GetParam();
    (c.reader ? comm.ReaderStartFailure : comm.WriterStartFailure) = c.thrown;
    try {
        comm.OpenPort();
        ADD_FAILURE() << "nothing raised";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), c.reader ? kCannotCreateReadThread : kCannotCreateWriteThread);
        EXPECT_EQ(e.SystemError(), c.systemError);
        EXPECT_EQ(e.Source(), ECommsError::Origin::Worker) << "the device did not fail";
    }
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_EQ(port->LiveDevices(), 1);
    const uint8_t byte = 1;
    EXPECT_FALSE(comm.QueueWrite(&byte, 1)) << "there is no writer";
    if (!c.reader) {
        EXPECT_TRUE(PumpUntil(comm, [&] { return comm.ReaderReady(); })) << "the reader runs";
    }

    comm.ClosePort();
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(port->LiveDevices(), 0);
    EXPECT_EQ(port->Calls(Call::BeginReader), c.reader ? 0 : 1);
    EXPECT_EQ(port->Calls(Call::EndReader), c.reader ? 0 : 1);
    EXPECT_EQ(port->Calls(Call::BeginWriter), 0);

    comm.ReaderStartFailure = comm.WriterStartFailure = nullptr;
    OpenReady();
}

const std::exception_ptr kNoThread =
    std::make_exception_ptr(std::system_error(12, std::system_category()));
// What std::thread raises when the system's thread limit is reached: an errno value, which
// the system's error code carries where the system speaks errno (not on Windows).
const std::error_code kThreadLimitCode =
    std::make_error_code(std::errc::resource_unavailable_try_again);
const std::exception_ptr kThreadLimit =
    std::make_exception_ptr(std::system_error(kThreadLimitCode));

INSTANTIATE_TEST_SUITE_P(
    Comm32, Comm32CreationFailureTest,
    ::testing::Values(
        CreationFailure{"ReaderThread", true, kNoThread, 12},
        CreationFailure{"ReaderResource", true, std::make_exception_ptr(std::bad_alloc()), 0},
        CreationFailure{"WriterThread", false, kNoThread, 12},
        CreationFailure{"WriterThreadLimit", false, kThreadLimit, SystemErrorOf(kThreadLimitCode)},
        CreationFailure{"WriterResource", false,
                        std::make_exception_ptr(std::runtime_error("no event")), 0}),
    [](const auto& info) { return info.param.name; });

TEST_F(Comm32Test, SettersStoreWhileClosedAndApplyWhileOpen) {
    comm.SetBaudRate(19200);
    comm.SetFlowControl(3);
    comm.SetEventChar('\r');
    EXPECT_TRUE(port->AppliedStates().empty());
    OpenReady();
    ASSERT_EQ(port->AppliedStates().size(), 1u);
    Dcb applied = port->AppliedStates().back();
    EXPECT_EQ(applied.BaudRate, 19200u);
    EXPECT_EQ(applied.Flags, fBinary | fOutX | fInX);
    EXPECT_EQ(applied.EvtChar, '\r');

    comm.SetBaudRate(115200);
    comm.SetEventChar('\n');
    comm.SetFlowControl(1);
    const auto states = port->AppliedStates();
    ASSERT_EQ(states.size(), 4u);
    EXPECT_EQ(states[1].BaudRate, 115200u);
    EXPECT_EQ(states[2].EvtChar, '\n');
    EXPECT_EQ(states[3].Flags, fBinary | RTS_CONTROL_HANDSHAKE << fRtsControlShift);
    comm.ClosePort();
    comm.SetBaudRate(9600);
    EXPECT_EQ(port->AppliedStates().size(), 4u);
    EXPECT_EQ(comm.Dcb().BaudRate, 9600u);
}

TEST_F(Comm32Test, FlowControlModesSetTheirBitsAndOtherModesNone) {
    struct Step {
        uint8_t mode;
        uint32_t flags;
    };
    const Step steps[] = {
        {1, fBinary | 0x2000},   {2, fBinary | 0x3000}, {3, fBinary | 0x0300},
        {4, fBinary | 0x0300},   {0, fBinary},          {2, fBinary | 0x3000},
        {255, fBinary | 0x3000},
    };
    for (const Step& s : steps) {
        comm.SetFlowControl(s.mode);
        EXPECT_EQ(comm.Dcb().Flags, s.flags) << "mode " << int(s.mode);
    }
    OpenReady();
    comm.SetFlowControl(4);
    ASSERT_EQ(port->AppliedStates().size(), 2u) << "an unknown mode still applies the record";
    EXPECT_EQ(port->AppliedStates().back().Flags, fBinary | 0x3000);
}

TEST_F(Comm32Test, OpeningMergesTheDevicesOwnRecord) {
    Dcb device;
    device.DCBlength = 28;
    device.BaudRate = 4800;
    device.Flags = 0x4032;  // the device's parity, DTR and abort bits are not ours
    device.XonLim = 2048;
    device.XoffLim = 512;
    device.ByteSize = 7;
    device.Parity = 2;
    device.StopBits = 2;
    device.XonChar = 0x11;
    device.XoffChar = 0x13;
    device.ErrorChar = '?';
    device.EofChar = 0x1A;
    port->SetDeviceState(device);
    comm.SetBaudRate(57600);
    comm.SetEventChar('!');
    OpenReady();
    const Dcb& d = comm.Dcb();
    EXPECT_EQ(d.BaudRate, 57600u);
    EXPECT_EQ(d.Flags, fBinary);
    EXPECT_EQ(d.XonLim, 2048);
    EXPECT_EQ(d.XoffLim, 512);
    EXPECT_EQ(d.XonChar, 0x11);
    EXPECT_EQ(d.XoffChar, 0x13);
    EXPECT_EQ(d.ErrorChar, '?');
    EXPECT_EQ(d.EofChar, 0x1A);
    EXPECT_EQ(d.ByteSize, 8);
    EXPECT_EQ(d.Parity, 0);
    EXPECT_EQ(d.StopBits, 0);
    EXPECT_EQ(d.EvtChar, '!');
    EXPECT_EQ(std::memcmp(&port->AppliedStates().back(), &d, sizeof d), 0);
}

TEST_F(Comm32Test, EscapeFunctionReachesTheDevice) {
    OpenReady();
    EXPECT_TRUE(comm.EscapeFunction(SETRTS));
    EXPECT_EQ(port->Escapes(), (std::vector<uint32_t>{SETRTS}));
}

TEST_F(Comm32Test, QueueWriteCopiesTheBytesAtTheCall) {
    port->ScriptWrite({WriteStep::Held});
    OpenReady();
    uint8_t command[3] = {1, 0x44, 0};
    ASSERT_TRUE(comm.QueueWrite(command, 3));
    command[1] = 0x45;  // the caller's next command overwrites its buffer at once
    ASSERT_TRUE(comm.QueueWrite(command, 3));
    {
        uint8_t local = 0x7A;  // gone after the block
        ASSERT_TRUE(comm.QueueWrite(&local, 1));
    }
    std::memset(command, 0xEE, sizeof command);
    ASSERT_TRUE(port->WaitCalls(Call::WaitWrite, 1));
    port->ReleaseWrite();
    ASSERT_TRUE(port->WaitWritten(7));
    EXPECT_EQ(port->Written(), (Bytes{1, 0x44, 0, 1, 0x45, 0, 0x7A}));
}

TEST_F(Comm32Test, QueueWriteIsRefusedOnceTheWriterHasFailed) {
    int failures = 0;
    comm.OnCommFailure = [&](TComm32& sender) {
        EXPECT_EQ(&sender, &comm);
        ++failures;
    };
    port->Fail(Call::WriteFile);
    OpenReady();
    const uint8_t byte = 1;
    ASSERT_TRUE(comm.QueueWrite(&byte, 1));
    ASSERT_TRUE(PumpUntil(comm, [&] { return failures > 0; }));
    ASSERT_TRUE(port->WaitCalls(Call::EndWriter, 1));
    EXPECT_FALSE(comm.QueueWrite(&byte, 1));
    EXPECT_TRUE(comm.PortOpen()) << "a worker's failure leaves the object open";
    PumpFor(comm, std::chrono::milliseconds(20));
    EXPECT_EQ(failures, 1);
}

TEST_F(Comm32Test, ClosePortEndsAWriterWhoseWritesSendNothing) {
    port->ZeroWritesForever(true);
    OpenReady();
    const uint8_t byte = 1;
    ASSERT_TRUE(comm.QueueWrite(&byte, 1));
    ASSERT_TRUE(port->WaitCalls(Call::WriteFile, 2));
    const auto start = std::chrono::steady_clock::now();
    comm.ClosePort();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(port->LiveDevices(), 0);
}

TEST_F(Comm32Test, ClosePortEndsAPendingWriteQuietly) {
    int failures = 0;
    comm.OnCommFailure = [&](TComm32&) { ++failures; };
    port->ScriptWrite({WriteStep::Held});
    OpenReady();
    const uint8_t bytes[2] = {1, 2};
    ASSERT_TRUE(comm.QueueWrite(bytes, 2));
    ASSERT_TRUE(port->WaitCalls(Call::WaitWrite, 1));
    comm.ClosePort();
    PumpFor(comm, std::chrono::milliseconds(20));
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(port->Written().empty());
}

}  // namespace
}  // namespace serial::test

// The Windows device layer and the serial port object on a real COM port. Under Wine,
// scripts/test-wine.sh maps a pseudo-terminal as COMn, names it in DRAVIK_TEST_COM_PORT
// ("COM33") and runs a peer on the terminal's Linux side; without the variable these tests
// are skipped.
//
// The peer's side of the conversation, one step per command byte sequence it reads:
//   01 'D' 00  -> it answers 01 'D' 05 in one write;
//   01 'E' 00  -> it answers 01, pauses 20 ms, then 'E' 00;
//   01 'F' 00  -> it sends a burst of kBurst bytes, BurstByte(i);
//   kBurst bytes of SentByte(i) -> it checks them and answers 0xAA (0x55 when wrong);
// then it reads nothing more, so that later writes stay stuck in the line.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "pump.h"
#include "serial/comm32.h"
#include "serial/comm_constants.h"
#include "serial/device.h"

namespace serial::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kBurst = 25600;
uint8_t BurstByte(uint32_t i) {
    return static_cast<uint8_t>((i * 7 + 3) % 256);
}
uint8_t SentByte(uint32_t i) {
    return static_cast<uint8_t>((i * 11 + 5) % 256);
}

std::string PortFromEnvironment() {
    const char* port = std::getenv("DRAVIK_TEST_COM_PORT");
    return port ? port : "";
}

#define REQUIRE_PORT()                                                   \
    const std::string port = PortFromEnvironment();                      \
    if (port.empty()) GTEST_SKIP() << "DRAVIK_TEST_COM_PORT is not set"; \
    const std::string name = "//./" + port

// (Windows' serial driver also refuses a second opener; Wine does not for a terminal, so
// that the port is opened unshared is checked on a file, in test_win32_device.cpp.)
TEST(Win32PortDevice, OpensAsACharacterDeviceUnderEitherSpelling) {
    REQUIRE_PORT();
    for (const std::string& spelling : {name, "\\\\.\\" + port}) {
        SCOPED_TRACE(spelling);
        auto device = OpenPlatformDevice(spelling);
        ASSERT_NE(device, nullptr);
        EXPECT_TRUE(device->IsCharacterDevice());
    }
}

TEST(Win32PortDevice, SettingsRoundTripThroughTheRealRecord) {
    REQUIRE_PORT();
    auto device = OpenPlatformDevice(name);
    ASSERT_NE(device, nullptr);
    Dcb dcb;
    dcb.DCBlength = 0;
    ASSERT_TRUE(device->GetCommState(dcb));
    EXPECT_EQ(dcb.DCBlength, sizeof(Dcb));
    for (uint32_t baud : {19200u, 115200u, 9600u}) {
        SCOPED_TRACE(baud);
        dcb.BaudRate = baud;
        dcb.Flags = fBinary;
        dcb.ByteSize = 8;
        dcb.Parity = 0;
        dcb.StopBits = 0;
        ASSERT_TRUE(device->SetCommState(dcb));
        Dcb back;
        ASSERT_TRUE(device->GetCommState(back));
        EXPECT_EQ(back.BaudRate, baud);
        EXPECT_EQ(back.ByteSize, 8);
        EXPECT_EQ(back.Parity, 0);
        EXPECT_EQ(back.StopBits, 0);
        EXPECT_TRUE(back.Flags & fBinary);
    }
}

// What the reader does at its stop step must return even with a read and a line-event wait
// outstanding: ClosePort waits for it.
TEST(Win32PortDevice, OutstandingReadEndsOnCloseAndPurge) {
    REQUIRE_PORT();
    auto device = OpenPlatformDevice(name);
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->SetCommTimeouts(CommTimeouts{1, 1, 5, 1, 10}));
    ASSERT_TRUE(device->BeginReader());
    ASSERT_TRUE(device->SetCommMask(WatchedEvents));
    uint32_t mask = 0;
    // Pending: either a real wait, or a device that reports no line events at all.
    EXPECT_EQ(device->WaitCommEvent(mask).status, IoStatus::Pending);
    std::vector<uint8_t> buffer(32768);
    ASSERT_EQ(device->ReadFile(buffer.data(), 32768).status, IoStatus::Pending)
        << "the peer sends nothing until it is spoken to";
    auto close = Event::Create(false);
    close->Set();
    EXPECT_EQ(device->WaitReader(*close), ReaderWake::Close);
    EXPECT_TRUE(device->PurgeComm(PURGE_RXABORT | PURGE_RXCLEAR));
    device->EndReader();
}

class Win32PortExchange : public ::testing::Test {
  protected:
    void SetUp() override {
        comm.OnReceiveData = [this](const uint8_t* data, uint16_t length) {
            chunks.emplace_back(data, data + length);
            // The chunk is followed by a zero byte that it does not count.
            EXPECT_EQ(data[length], 0);
            received += length;
        };
        comm.OnCommFailure = [this](TComm32&) { ++failures; };
    }
    void TearDown() override { comm.ClosePort(); }

    void OpenReady(const std::string& name) {
        comm.PortName = name;
        comm.SetBaudRate(115200);
        ASSERT_TRUE(comm.OpenPort());
        ASSERT_TRUE(PumpUntil(comm, [&] { return comm.ReaderReady() && comm.WriterReady(); }));
    }
    // Sends a command and collects what comes back until n bytes have arrived.
    Bytes Converse(Bytes command, size_t n) {
        chunks.clear();
        received = 0;
        EXPECT_TRUE(comm.QueueWrite(command.data(), static_cast<uint16_t>(command.size())));
        EXPECT_TRUE(PumpUntil(
            comm, [&] { return received >= n; }, 20s))
            << received << " of " << n << " bytes came";
        Bytes all;
        for (const Bytes& c : chunks) all.insert(all.end(), c.begin(), c.end());
        return all;
    }
    std::vector<size_t> ChunkSizes() const {
        std::vector<size_t> sizes;
        for (const Bytes& c : chunks) sizes.push_back(c.size());
        return sizes;
    }

    TComm32 comm;
    std::vector<Bytes> chunks;
    size_t received = 0;
    int failures = 0;
};

TEST_F(Win32PortExchange, TalksWithThePeerAndClosesWithWritesStuck) {
    REQUIRE_PORT();
    OpenReady(name);

    // A reply written at once arrives as one chunk, one with a pause inside as two: reads
    // end when the line falls silent.
    EXPECT_EQ(Converse({1, 'D', 0}, 3), (Bytes{1, 'D', 5}));
    EXPECT_EQ(ChunkSizes(), (std::vector<size_t>{3}));
    EXPECT_EQ(Converse({1, 'E', 0}, 3), (Bytes{1, 'E', 0}));
    EXPECT_EQ(ChunkSizes(), (std::vector<size_t>{1, 2}));

    // A long burst arrives whole and in order, in few chunks.
    const Bytes burst = Converse({1, 'F', 0}, kBurst);
    ASSERT_EQ(burst.size(), kBurst);
    for (uint32_t i = 0; i < kBurst; ++i) ASSERT_EQ(burst[i], BurstByte(i)) << "byte " << i;
    std::cout << "burst of " << kBurst << " bytes: " << chunks.size() << " chunk(s)\n";

    // A long write reaches the peer whole; it answers with its verdict.
    Bytes block(kBurst);
    for (uint32_t i = 0; i < kBurst; ++i) block[i] = SentByte(i);
    EXPECT_EQ(Converse(block, 1), (Bytes{0xAA})) << "the peer saw other bytes";

    // The peer reads no more: these writes fill the line and stay pending. Closing must
    // still end the writer at once, without a failure.
    Bytes stuck(60000, 0x5A);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(comm.QueueWrite(stuck.data(), 60000));
    PumpFor(comm, 300ms);
    const auto started = std::chrono::steady_clock::now();
    comm.ClosePort();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_FALSE(comm.PortOpen());
    PumpFor(comm, 50ms);
    EXPECT_EQ(failures, 0);

    // The device was let go: it opens again.
    OpenReady(name);
    comm.ClosePort();
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace serial::test

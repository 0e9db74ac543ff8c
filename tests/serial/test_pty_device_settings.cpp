// The device-control record on termios, and the line controls a pseudo-terminal lacks.
#include <gtest/gtest.h>
#include <termios.h>

#include <utility>
#include <vector>

#include "pty.h"
#include "serial/comm_constants.h"
#include "serial/device.h"
#include "serial/device_posix.h"

namespace serial {
namespace {

using testing::Pty;

constexpr uint32_t Rts(uint32_t mode) {
    return mode << fRtsControlShift;
}

Dcb Record(uint8_t byteSize, uint8_t parity, uint8_t stopBits, uint32_t flags) {
    Dcb d;
    d.ByteSize = byteSize;
    d.Parity = parity;
    d.StopBits = stopBits;
    d.Flags = flags;
    d.XonChar = 0x11;
    d.XoffChar = 0x13;
    return d;
}

TEST(DcbTermiosMapping, FramingAndFlowControlSurviveTheRoundTrip) {
    const Dcb cases[] = {
        Record(8, 0, 0, fBinary),           Record(7, 1, 0, fBinary | fParity),
        Record(7, 2, 2, fBinary | fParity), Record(6, 3, 0, fBinary),
        Record(5, 4, 2, fBinary),           Record(8, 0, 0, fBinary | fOutX | fInX),
        Record(8, 0, 0, fBinary | fOutX),   Record(8, 0, 2, fBinary | Rts(RTS_CONTROL_HANDSHAKE)),
    };
    for (const Dcb& in : cases) {
        termios t{};
        t.c_lflag = ECHO | ICANON | ISIG;  // a terminal's cooked defaults must go
        t.c_iflag = ICRNL | IXANY;
        t.c_oflag = OPOST | ONLCR;
        DcbToTermios(in, t);
        EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
        EXPECT_EQ(t.c_iflag & (ICRNL | IXANY), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});

        Dcb out;
        out.Flags = fBinary;
        TermiosToDcb(t, out);
        SCOPED_TRACE(::testing::Message() << int{in.ByteSize} << " bits, parity " << int{in.Parity}
                                          << ", flags " << in.Flags);
        EXPECT_EQ(out.ByteSize, in.ByteSize);
        EXPECT_EQ(out.Parity, in.Parity);
        EXPECT_EQ(out.StopBits, in.StopBits);
        EXPECT_EQ(out.Flags, in.Flags);
        if (in.Flags & (fOutX | fInX)) {
            EXPECT_EQ(out.XonChar, in.XonChar);
            EXPECT_EQ(out.XoffChar, in.XoffChar);
        }
    }
}

TEST(DcbTermiosMapping, OneAndAHalfStopBitsBecomeTwoAndCtsFlowMeansCrtscts) {
    termios t{};
    DcbToTermios(Record(5, 0, 1, fBinary | fOutxCtsFlow), t);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
}

// What the terminal hands over is what came over the line: a break never becomes a 0 byte,
// and with parity checking on a byte that came with an error is marked, not replaced by 0,
// the marks being taken out again however the reads cut them.
TEST(DcbTermiosMapping, ReceivedBytesStayTheLinesData) {
    struct Case {
        Dcb record;
        bool checked;  // parity checking, and with it the marks
    };
    const Case cases[] = {
        {Record(8, 0, 0, fBinary), false},
        {Record(8, 0, 0, fBinary | fParity), false},  // no parity bit to check
        {Record(7, 2, 0, fBinary), false},
        {Record(7, 2, 0, fBinary | fParity), true},
        {Record(8, 3, 0, fBinary | fParity | fOutX | fInX), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "parity " << int{c.record.Parity} << ", flags " << c.record.Flags);
        termios t{};
        t.c_iflag = BRKINT | ISTRIP | IGNPAR | PARMRK | INPCK;  // left by an earlier user
        DcbToTermios(c.record, t);
        EXPECT_TRUE(t.c_iflag & IGNBRK);
        EXPECT_EQ(t.c_iflag & (BRKINT | ISTRIP | IGNPAR), 0u);
        EXPECT_EQ((t.c_iflag & INPCK) != 0, c.checked);
        EXPECT_EQ((t.c_iflag & PARMRK) != 0, c.checked);
    }

    // 0x41, a received 0xFF, 0x42 with a parity error, a 0 with one, 0xFF 0x00 as data.
    const std::vector<uint8_t> marked = {0x41, 0xFF, 0xFF, 0xFF, 0x00, 0x42, 0xFF,
                                         0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00};
    const std::vector<uint8_t> line = {0x41, 0xFF, 0x42, 0x00, 0x00, 0xFF, 0x00};
    for (size_t cut1 = 0; cut1 <= marked.size(); ++cut1) {
        for (size_t cut2 = cut1; cut2 <= marked.size(); ++cut2) {
            std::vector<uint8_t> bytes = marked, got;
            int state = kMarkNone;
            for (auto [from, to] :
                 {std::pair{size_t{0}, cut1}, {cut1, cut2}, {cut2, bytes.size()}}) {
                const size_t n = UnmarkParity(bytes.data() + from, to - from, state);
                got.insert(got.end(), bytes.begin() + from, bytes.begin() + from + n);
            }
            EXPECT_EQ(got, line) << "reads cut at " << cut1 << " and " << cut2;
            EXPECT_EQ(state, kMarkNone);
        }
    }
}

TEST(DcbTermiosMapping, RejectsRecordsNoLineCanCarry) {
    Dcb ok = Record(8, 0, 0, fBinary);
    EXPECT_TRUE(IsValidDcb(ok));
    Dcb bad[6] = {ok, ok, ok, ok, ok, ok};
    bad[0].ByteSize = 4;
    bad[1].ByteSize = 9;
    bad[2].Parity = 5;
    bad[3].StopBits = 3;
    bad[4].BaudRate = 0;
    bad[5].Flags |= fInX;
    bad[5].XoffChar = bad[5].XonChar;
    for (const Dcb& d : bad) EXPECT_FALSE(IsValidDcb(d));
}

class PtySettings : public ::testing::Test {
  protected:
    void SetUp() override {
        device = OpenPlatformDevice(pty.Path());
        ASSERT_TRUE(device);
    }
    Pty pty;
    std::unique_ptr<Device> device;
};

TEST_F(PtySettings, TheDeviceReportsWhatWasSet) {
    struct Case {
        uint32_t baud;
        uint8_t stopBits;
        uint32_t flags;
        char xon, xoff;
    };
    const Case cases[] = {
        {9600, 0, fBinary, 0x11, 0x13},
        {115200, 2, fBinary | fOutX | fInX, 0x01, 0x02},
        {250000, 0, fBinary | Rts(RTS_CONTROL_HANDSHAKE), 0x11, 0x13},  // not a standard rate
        {57600, 0, fBinary | Rts(RTS_CONTROL_ENABLE), 0x11, 0x13},
        {19200, 0, fBinary | Rts(RTS_CONTROL_TOGGLE), 0x11, 0x13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        Dcb in = Record(8, 0, c.stopBits, c.flags);
        in.BaudRate = c.baud;
        in.XonChar = c.xon;
        in.XoffChar = c.xoff;
        in.EvtChar = 0x03;
        ASSERT_TRUE(device->SetCommState(in));
        Dcb out;
        ASSERT_TRUE(device->GetCommState(out));
        EXPECT_EQ(out.DCBlength, 28u);
        EXPECT_EQ(out.BaudRate, c.baud);
        EXPECT_EQ(out.ByteSize, 8);
        EXPECT_EQ(out.Parity, 0);
        EXPECT_EQ(out.StopBits, c.stopBits);
        EXPECT_EQ(out.Flags, c.flags);
        EXPECT_EQ(out.EvtChar, 0x03);
        if (c.flags & fOutX) {
            EXPECT_EQ(out.XonChar, c.xon);
            EXPECT_EQ(out.XoffChar, c.xoff);
        }
    }
}

TEST_F(PtySettings, ReportsTheTerminalsOwnValuesBeforeAnythingIsSet) {
    Dcb out;
    ASSERT_TRUE(device->GetCommState(out));
    EXPECT_EQ(out.XonChar, 0x11);  // ^Q and ^S, as every terminal starts
    EXPECT_EQ(out.XoffChar, 0x13);
    EXPECT_EQ(out.EofChar, 0x04);
    EXPECT_GT(out.XonLim, 0);
    EXPECT_GT(out.XoffLim, 0);
    EXPECT_TRUE(out.Flags & fBinary);
}

TEST_F(PtySettings, FramingTheDriverDropsIsRefusedAndTheOldSettingsStay) {
    // A pseudo-terminal always carries 8 bits without parity.
    Dcb good = Record(8, 0, 0, fBinary);
    good.BaudRate = 38400;
    ASSERT_TRUE(device->SetCommState(good));
    Dcb parity = Record(7, 2, 0, fBinary | fParity);
    parity.BaudRate = 9600;
    EXPECT_FALSE(device->SetCommState(parity));
    Dcb out;
    ASSERT_TRUE(device->GetCommState(out));
    EXPECT_EQ(out.BaudRate, 38400u);
    EXPECT_EQ(out.ByteSize, 8);
}

TEST_F(PtySettings, ModemLineControlsAreRefusedWithoutFailingTheDevice) {
    ASSERT_TRUE(device->SetCommState(Record(8, 0, 0, fBinary | Rts(RTS_CONTROL_ENABLE))));
    for (uint32_t code : {SETRTS, CLRRTS, SETDTR, CLRDTR, SETBREAK, CLRBREAK, 0u, 7u, 10u})
        EXPECT_FALSE(device->EscapeCommFunction(code)) << code;
    EXPECT_TRUE(device->EscapeCommFunction(SETXOFF));
    EXPECT_TRUE(device->EscapeCommFunction(SETXON));
    uint32_t status = 0xFF;
    EXPECT_TRUE(device->GetCommModemStatus(status));
    EXPECT_EQ(status, 0u);
    EXPECT_TRUE(device->SetupComm(4096, 4096));
}

}  // namespace
}  // namespace serial

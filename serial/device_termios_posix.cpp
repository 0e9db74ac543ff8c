// The device-control record on termios: framing, software and hardware flow control, and
// a raw byte path (a serial line carries binary frames, nothing may be translated).
#include <termios.h>

#include <cstddef>
#include <cstdint>

#include "device_posix.h"

namespace serial {

namespace {

struct RateRow {
    uint32_t baud;
    speed_t speed;
};

constexpr RateRow kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

constexpr uint8_t kNoParity = 0, kOdd = 1, kEven = 2, kMark = 3, kSpace = 4;

}  // namespace

speed_t StandardSpeed(uint32_t baud) {
    for (const RateRow& r : kRates)
        if (r.baud == baud) return r.speed;
    return 0;
}

uint32_t SpeedToBaud(speed_t speed) {
    for (const RateRow& r : kRates)
        if (r.speed == speed) return r.baud;
    return 0;
}

bool IsValidDcb(const Dcb& dcb) {
    if (dcb.BaudRate == 0) return false;
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8) return false;
    if (dcb.Parity > kSpace || dcb.StopBits > 2) return false;
    if ((dcb.Flags & (fOutX | fInX)) && dcb.XonChar == dcb.XoffChar) return false;
    return true;
}

void DcbToTermios(const Dcb& dcb, termios& t) {
    t.c_iflag &= ~(BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK |
                   IGNPAR | IUCLC | IMAXBEL);
    // A break is a line event (the driver counts it), never a 0 byte in the data.
    t.c_iflag |= IGNBRK;
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;

    switch (dcb.ByteSize) {
        case 5:
            t.c_cflag |= CS5;
            break;
        case 6:
            t.c_cflag |= CS6;
            break;
        case 7:
            t.c_cflag |= CS7;
            break;
        default:
            t.c_cflag |= CS8;
            break;
    }
    switch (dcb.Parity) {
        case kOdd:
            t.c_cflag |= PARENB | PARODD;
            break;
        case kEven:
            t.c_cflag |= PARENB;
            break;
        case kMark:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case kSpace:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    // A byte with a parity error is handed over as it came, marked (0xFF 0x00 byte, with a
    // real 0xFF doubled; see UnmarkParity), not replaced by 0.
    if (dcb.Parity != kNoParity && (dcb.Flags & fParity)) t.c_iflag |= INPCK | PARMRK;
    // One and a half stop bits exist only for 5-bit bytes on a few UARTs; two is nearest.
    if (dcb.StopBits != 0) t.c_cflag |= CSTOPB;

    if (dcb.Flags & fOutX) t.c_iflag |= IXON;
    if (dcb.Flags & fInX) t.c_iflag |= IXOFF;
    if (dcb.Flags & (fOutX | fInX)) {
        t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
        t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    }
    // Linux has a single switch for RTS/CTS in both directions.
    if (RtsControlOf(dcb) == RTS_CONTROL_HANDSHAKE || (dcb.Flags & fOutxCtsFlow))
        t.c_cflag |= CRTSCTS;

    // A read returns what is there; the device layer times the chunks itself.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

void TermiosToDcb(const termios& t, Dcb& dcb) {
    switch (t.c_cflag & CSIZE) {
        case CS5:
            dcb.ByteSize = 5;
            break;
        case CS6:
            dcb.ByteSize = 6;
            break;
        case CS7:
            dcb.ByteSize = 7;
            break;
        default:
            dcb.ByteSize = 8;
            break;
    }
    if (!(t.c_cflag & PARENB))
        dcb.Parity = kNoParity;
    else if (t.c_cflag & CMSPAR)
        dcb.Parity = (t.c_cflag & PARODD) ? kMark : kSpace;
    else
        dcb.Parity = (t.c_cflag & PARODD) ? kOdd : kEven;
    dcb.StopBits = (t.c_cflag & CSTOPB) ? 2 : 0;

    uint32_t flags = dcb.Flags | fBinary;
    flags = (t.c_iflag & INPCK) ? flags | fParity : flags & ~fParity;
    flags = (t.c_iflag & IXON) ? flags | fOutX : flags & ~fOutX;
    flags = (t.c_iflag & IXOFF) ? flags | fInX : flags & ~fInX;
    if (t.c_cflag & CRTSCTS) {
        flags = (flags & ~fRtsControlMask) | (RTS_CONTROL_HANDSHAKE << fRtsControlShift);
    } else {
        flags &= ~fOutxCtsFlow;
        if (((flags & fRtsControlMask) >> fRtsControlShift) == RTS_CONTROL_HANDSHAKE)
            flags = (flags & ~fRtsControlMask) | (RTS_CONTROL_ENABLE << fRtsControlShift);
    }
    dcb.Flags = flags;

    dcb.XonChar = static_cast<char>(t.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    dcb.EofChar = static_cast<char>(t.c_cc[VEOF]);
}

size_t UnmarkParity(uint8_t* data, size_t n, int& state) {
    size_t out = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = data[i];
        switch (state) {
            case kMarkNone:
                if (b == 0xFF) {
                    state = kMarkEscape;
                } else {
                    data[out++] = b;
                }
                break;
            case kMarkEscape:
                if (b == 0x00) {
                    state = kMarkError;
                    break;
                }
                // 0xFF 0xFF is a received 0xFF; anything else is no mark at all.
                if (b != 0xFF) data[out++] = 0xFF;
                data[out++] = b;
                state = kMarkNone;
                break;
            default:  // the byte that came with a parity or framing error
                data[out++] = b;
                state = kMarkNone;
                break;
        }
    }
    return out;
}

}  // namespace serial

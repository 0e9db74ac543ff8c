#pragma once
// The device-control record, laid out as the platform's 28-byte DCB, and the time-out record.

#include <cstdint>

namespace serial {

struct Dcb {
    uint32_t DCBlength = 28;
    uint32_t BaudRate = 9600;
    uint32_t Flags = 1;  // the platform's bit-field word; see the masks below
    uint16_t wReserved = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 8;
    uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    uint16_t wReserved1 = 0;
};
static_assert(sizeof(Dcb) == 28, "Dcb must keep the platform's layout");

// Bits of Dcb::Flags, as the platform lays them out.
inline constexpr uint32_t fBinary = 0x0001;
inline constexpr uint32_t fParity = 0x0002;
inline constexpr uint32_t fOutxCtsFlow = 0x0004;
inline constexpr uint32_t fOutxDsrFlow = 0x0008;
inline constexpr uint32_t fDtrControlMask = 0x0030;  // bits 4-5
inline constexpr uint32_t fDtrControlShift = 4;
inline constexpr uint32_t fDsrSensitivity = 0x0040;
inline constexpr uint32_t fTXContinueOnXoff = 0x0080;
inline constexpr uint32_t fOutX = 0x0100;
inline constexpr uint32_t fInX = 0x0200;
inline constexpr uint32_t fErrorChar = 0x0400;
inline constexpr uint32_t fNull = 0x0800;
inline constexpr uint32_t fRtsControlMask = 0x3000;  // bits 12-13
inline constexpr uint32_t fRtsControlShift = 12;
inline constexpr uint32_t fAbortOnError = 0x4000;

inline constexpr uint32_t DTR_CONTROL_DISABLE = 0;
inline constexpr uint32_t DTR_CONTROL_ENABLE = 1;
inline constexpr uint32_t DTR_CONTROL_HANDSHAKE = 2;
inline constexpr uint32_t RTS_CONTROL_DISABLE = 0;
inline constexpr uint32_t RTS_CONTROL_ENABLE = 1;
inline constexpr uint32_t RTS_CONTROL_HANDSHAKE = 2;
inline constexpr uint32_t RTS_CONTROL_TOGGLE = 3;

inline constexpr uint32_t RtsControlOf(const Dcb& dcb) {
    return (dcb.Flags & fRtsControlMask) >> fRtsControlShift;
}
inline constexpr uint32_t DtrControlOf(const Dcb& dcb) {
    return (dcb.Flags & fDtrControlMask) >> fDtrControlShift;
}

// Time-outs in milliseconds, as the platform's COMMTIMEOUTS.
struct CommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

}  // namespace serial

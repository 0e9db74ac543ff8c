#pragma once
// Pieces of the Linux device backend that are worth testing on their own: the mapping between
// the device-control record and termios, and rates beyond the standard table.

#include <termios.h>

#include <cstddef>
#include <cstdint>

#include "dcb.h"

namespace serial {

// True when the record holds values a serial line can take (byte size 5-8, parity 0-4,
// stop bits 0-2, a rate above 0, distinct XON and XOFF characters when either is used).
bool IsValidDcb(const Dcb& dcb);

// Writes the record's framing, flow control and mode into t: raw binary bytes, no echo,
// no signals, receiver on, modem-control lines ignored. Does not touch the rate.
void DcbToTermios(const Dcb& dcb, termios& t);
// Reads framing, XON/XOFF and the control characters back from t into dcb; the flag bits
// termios cannot hold are left as they are in dcb.
void TermiosToDcb(const termios& t, Dcb& dcb);

// With parity checking on, the terminal marks a byte received with an error as 0xFF 0x00
// byte and doubles a received 0xFF (PARMRK). Turns n such bytes back, in place, into the
// bytes that came over the line and returns how many there are; state (start at
// kMarkNone) keeps a mark cut between two reads.
inline constexpr int kMarkNone = 0, kMarkEscape = 1, kMarkError = 2;
size_t UnmarkParity(uint8_t* data, size_t n, int& state);

// The speed_t constant for a standard rate, or 0 when the rate is not in the table.
speed_t StandardSpeed(uint32_t baud);
// The rate in bits per second for a speed_t constant, 0 when unknown.
uint32_t SpeedToBaud(speed_t speed);

// Arbitrary rates through the kernel's termios2 interface (it cannot share a source file
// with <termios.h>). False when the driver refuses or does not report.
bool SetArbitraryBaud(int fd, uint32_t baud);
bool GetActualBaud(int fd, uint32_t& baud);

}  // namespace serial

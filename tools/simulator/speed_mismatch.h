#pragma once
// A console whose end of the line is set to another speed than the controller's: what each
// UART reads of the other's bytes. A pseudo-terminal carries bytes at any speed, so the
// simulator works out, bit by bit, what a receiver at its own speed samples of a waveform
// sent at the other (on a real line the hardware does this by itself).
//
// Both ends 8N1. The sender's bytes leave back to back on a line at rest (1) before and
// after. The receiver takes the line going to 0 as a start bit and checks it half a bit
// later (1 there: a false start, it looks again); it then samples the 8 data bits and the
// stop bit in the middle of each of its own bit times, and looks for the next start from the
// middle of the stop bit. A sample that falls on the edge between two sent bits reads the
// later one. A stop bit read as 0 is a framing error: the byte is kept as read (neither end
// checks parity or framing), and the receiver takes the 0 as the next start bit; but a frame
// read as all 0 is a break, which both ends ignore, and the receiver then waits for the line
// to rest again. So the transform is deterministic: the same bytes at the same two speeds
// always read the same.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "tools/frames/protocol.h"
#include "tools/frames/stream_decoder.h"

namespace sim {

class Line;

struct ReadByte {
    uint8_t value;
    frames::Clock::duration at;  // the end of its frame, counted from the first start bit
};

// What a receiver at readBaud reads of count bytes sent back to back at sentBaud.
std::vector<ReadByte> ReadAtOtherSpeed(const uint8_t* bytes, size_t count, uint32_t sentBaud,
                                       uint32_t readBaud);
frames::Bytes Values(const std::vector<ReadByte>& read);

// The speed the console set on its end when it is not the simulator's own. Only a
// pseudo-terminal can be so: a real device has one speed, and the far end's UART does the
// rest. Nothing too when the console's speed cannot be read.
std::optional<uint32_t> ConsoleSpeedApart(const Line& line);

}  // namespace sim

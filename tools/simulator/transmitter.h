#pragma once
// Puts the replies on the line as a controller's UART would: byte after byte at the
// controller's own line speed, each byte written when its last bit would have arrived, so
// the far end sees a reply come in over its real duration. When the console's end of a
// pseudo-terminal is set to another speed, what is written is what the console's UART would
// read of the burst (see speed_mismatch.h), each byte when its frame would have ended there.
// Bursts leave in order; a pause before a burst is silence counted from the end of the one
// before. Instant: every burst in one write, as soon as it is due.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "tools/frames/protocol.h"
#include "tools/frames/stream_decoder.h"
#include "tools/line/line.h"

namespace sim {

using frames::Clock;

struct Burst {
    Clock::time_point due;          // not before this
    Clock::duration pauseBefore{};  // silence after the previous burst's last byte
    frames::Bytes bytes;
    std::string note;                      // added to the monitor's line for the burst
    std::optional<uint32_t> switchToBaud;  // after these bytes have left
};

class Transmitter {
  public:
    Transmitter(Line& line, bool instant) : line_(line), instant_(instant) {}

    void Queue(Burst burst);
    // Writes every byte due by now, one write for the bytes due together; prints each burst
    // on the monitor once it has left and then switches the speed it asks for.
    void WriteDue(Clock::time_point now);
    // When the next byte is due.
    std::optional<Clock::time_point> Deadline() const;
    // The line is gone: every burst still queued is reported as not sent, and the speed
    // switches they carry are recorded for the line's reopening.
    void Abandon(const std::string& reason);

  private:
    Clock::time_point StartOf(const Burst& burst) const;
    void Begin(const Burst& burst, Clock::time_point start);
    void Finish();

    Line& line_;
    bool instant_;
    std::deque<Burst> queue_;
    Clock::time_point lineFree_{};  // when the last byte sent has arrived at the far end
    std::optional<uint32_t> reportedBaud_;

    // The burst at the queue's head, once begun.
    bool begun_ = false;
    Clock::time_point start_{};
    frames::Bytes arriving_;            // what the far end reads of it
    std::vector<Clock::duration> due_;  // when each of those is written, from start_
    Clock::time_point sendersEnd_{};    // when its last stop bit has left
    Clock::time_point end_{};           // and when the far end has read all of it
    std::string farEnd_;                // how the far end reads it, when not as sent
    size_t sent_ = 0;
    std::string failure_;  // why the rest was not sent
};

}  // namespace sim

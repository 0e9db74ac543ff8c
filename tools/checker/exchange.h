#pragma once
// One exchange with the controller as the checker sees it: what was sent, what came back and
// when, how long to go on listening, and what in it answers the command. Apart from the port,
// so that these decisions can be driven with made-up traffic.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/frames/frame.h"
#include "tools/frames/stream_decoder.h"

namespace check {

using frames::Clock;
using Problems = std::vector<std::string>;

struct Exchange {
    frames::Bytes sent;
    frames::Bytes leftover;  // arrived since the previous exchange, before this one was sent
    frames::Bytes received;  // everything that came back, in order
    std::vector<Clock::duration> times;  // for each received byte: how long after the send
    size_t want = 0;                     // the reply's length; 0 when no reply is expected
    Clock::duration limit{};
    Clock::duration beyond{};  // with want > 0: how long past the limit a late reply is awaited
    Clock::duration settle{};  // the quiet after a whole reply that tells it is over

    // A byte that came `after` the send.
    void Take(uint8_t byte, Clock::duration after);
    // How long after the send to listen, given what has come: with want > 0, until the reply
    // is whole and the line has been quiet for `settle`, but never past the limit plus the
    // longer of the limit and `beyond` (a line that never falls quiet must not hold the
    // check); until the limit plus `beyond` while the reply is not whole; with want 0, for
    // the limit.
    Clock::duration ListenFor() const;

    // Bytes that came within the time limit.
    size_t InTime() const;
    // The whole reply came within the limit.
    bool Answered() const { return want > 0 && InTime() >= want; }
};

// The reply in an exchange, when a whole one came in time.
std::optional<frames::ReplyFrame> ReplyOf(const Exchange& x);
// The data byte of the reply to `letter`, or nothing with a problem added: no reply, or one
// with another letter. A reply from another address than `from` adds a problem too.
std::optional<uint8_t> Data(const Exchange& x, uint8_t letter, Problems& problems,
                            std::optional<uint8_t> from = std::nullopt);

}  // namespace check

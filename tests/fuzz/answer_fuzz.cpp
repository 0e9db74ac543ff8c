// The checker's reading of what comes back after a command: chunks of any bytes at any times,
// gathered as its port gathers them, then read as its checks read them. The first bytes
// choose the reply's length, the time limit, how long a late reply is awaited, the quiet that
// ends a reply, and the letter and address asked; then each step is a chunk, a delay and its
// bytes.
//
// Checked: the exchange holds the first bytes that came, in order, and never listens past the
// limit plus the longer of the limit and the wait for a late reply; a reply whose bytes all
// came within the limit is always the one read, whatever came with or after it, and one whose
// last byte came later never is, though it is gathered when it comes within the wait; a value
// is read only from the reply's data byte and for the letter asked; no value without a
// problem saying why; a reply from another address than the one asked never passes without a
// problem, and one with valid markers, the address and the letter asked passes without any.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "fuzz_input.h"
#include "tools/checker/exchange.h"

namespace {

using check::Clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t setup = in.Byte();
    check::Exchange x;
    x.want = (setup & 3) == 0 ? 0 : (setup & 1) ? 5 : 3;
    x.limit = milliseconds(1 + in.Byte());
    if (setup & 4) x.beyond = milliseconds(4 * in.Byte());
    x.settle = microseconds(100 * (1 + in.Byte() % 64));
    const uint8_t letter = in.Byte();
    std::optional<uint8_t> from;
    if (setup & 8) from = in.Byte();
    const Clock::duration longest = x.limit + std::max(x.limit, x.beyond);

    // Everything the line brings, and the port's gathering: a chunk is taken while the
    // exchange still listens when it comes.
    frames::Bytes arrived;
    std::vector<Clock::duration> arrivedAt;
    Clock::duration at{};
    bool listening = true;
    while (!in.Empty()) {
        const uint8_t step = in.Byte();
        at += milliseconds(step >> 4) * ((step & 8) ? 16 : 1);
        const std::string_view chunk = in.Take(step & 7);
        listening = listening && at <= x.ListenFor();
        for (const char c : chunk) {
            const auto byte = static_cast<uint8_t>(c);
            arrived.push_back(byte);
            arrivedAt.push_back(at);
            if (listening) x.Take(byte, at);
        }
        REQUIRE(x.ListenFor() <= longest);
    }

    const size_t got = x.received.size();
    REQUIRE(got <= arrived.size() && x.times.size() == got);
    REQUIRE(std::equal(x.received.begin(), x.received.end(), arrived.begin()));
    REQUIRE(std::equal(x.times.begin(), x.times.end(), arrivedAt.begin()));
    REQUIRE(std::all_of(x.times.begin(), x.times.end(), [&](auto t) { return t <= longest; }));

    const auto reply = check::ReplyOf(x);
    const bool whole = x.want > 0 && arrived.size() >= x.want;
    if (whole && arrivedAt[x.want - 1] <= x.limit) {
        REQUIRE(x.Answered() && reply);
        REQUIRE(reply->ToBytes() == frames::Bytes(arrived.begin(), arrived.begin() + x.want));
    } else {
        REQUIRE(!x.Answered() && !reply);
    }
    if (whole && arrivedAt[x.want - 1] <= x.limit + x.beyond) REQUIRE(got >= x.want);

    check::Problems problems;
    const auto value = check::Data(x, letter, problems, from);
    if (!value) REQUIRE(!problems.empty());
    if (value) {
        REQUIRE(reply);
        const size_t fields = x.want == 5 ? 1 : 0;  // the address, then the letter and data
        REQUIRE(x.received[fields + 1] == letter && *value == x.received[fields + 2]);
        if (from && x.received[fields] != *from) REQUIRE(!problems.empty());
    }
    if (reply && frames::IsAnswerTo(*reply, from.value_or(reply->address), letter))
        REQUIRE(value == reply->data && problems.empty());
    return 0;
}

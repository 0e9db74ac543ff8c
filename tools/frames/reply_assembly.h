#pragma once
// The console's reply assembly, followed from outside the console. Fed the chunks that the
// console's reader will hand over and told of every command the console sends, it gathers
// replies as the console does: up to the reply length of one format, however long the pauses
// between the chunks; a command starts a new reply; a chunk that would overflow the reply
// drops what was gathered and starts a new one; the bytes of a chunk beyond one reply are
// dropped. It says what became of every byte: a reply the console decodes (and what its
// status line then shows), or bytes the console drops, and why.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "tools/frames/console_view.h"
#include "tools/frames/frame.h"
#include "tools/frames/stream_decoder.h"

namespace frames {

struct Assembled {
    enum class Kind {
        Reply,         // a whole reply, which the console decodes
        Overflowed,    // gathered bytes dropped by a chunk too long for the rest of the reply
        BeyondReply,   // the bytes of a chunk after the reply it completed
        CutByCommand,  // gathered bytes dropped by the next command
        Unfinished,    // gathered bytes still waiting for the rest when the line was left
        SoFar,         // gathered bytes shown before the rest came (they stay gathered)
    };
    Kind kind = Kind::Reply;
    Bytes bytes;
    std::vector<Clock::time_point> at;  // when each byte was read
    // The bytes at the front that an earlier SoFar has already shown.
    size_t shownBefore = 0;
    // The time of the chunk or command that made this.
    Clock::time_point when;
    ReplyFrame reply;       // Reply: its fields
    ConsoleStatus console;  // Reply: what the console's status line shows
};

class ReplyAssembly {
  public:
    explicit ReplyAssembly(ReplyFormat format) : format_(format) {}

    ReplyFormat Format() const { return format_; }
    size_t Length() const { return static_cast<size_t>(format_); }

    // A command the console sent, read at `at`.
    void Command(const CommandFrame& command, Clock::time_point at, std::vector<Assembled>& out);
    // One chunk as the console's reader hands it over; at[i]: when byte i was read.
    void Chunk(const Bytes& bytes, const std::vector<Clock::time_point>& at,
               std::vector<Assembled>& out);
    // The line is left: what is gathered is reported as unfinished.
    void Finish(Clock::time_point now, std::vector<Assembled>& out);
    // Reports what is gathered as shown so far; it stays gathered.
    void ShowSoFar(Clock::time_point now, std::vector<Assembled>& out);

    const Bytes& Gathered() const { return held_; }
    // When the first gathered byte not yet shown was read.
    std::optional<Clock::time_point> WaitingSince() const;
    // The last command sent, if any.
    const std::optional<CommandFrame>& LastCommand() const { return lastCommand_; }
    // The address the console expects replies from, as far as the commands and J replies
    // tell it.
    std::optional<uint8_t> ConsoleAddress() const { return consoleAddress_; }

  private:
    void Drop(Assembled::Kind kind, Clock::time_point when, std::vector<Assembled>& out);
    void Decode(Clock::time_point when, std::vector<Assembled>& out);

    ReplyFormat format_;
    Bytes held_;
    std::vector<Clock::time_point> heldAt_;
    size_t shown_ = 0;
    std::optional<CommandFrame> lastCommand_;
    std::optional<uint8_t> consoleAddress_;
    // The console sends E by itself on decoding a status with the error bit, starting a new
    // reply then; that E, when it shows on the line, starts nothing more. How many are on
    // their way.
    size_t errorQueries_ = 0;
};

}  // namespace frames

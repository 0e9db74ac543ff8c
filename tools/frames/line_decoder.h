#pragma once
// Both sides of a line between the console and a controller, read as the two ends take them:
// commands as the controller frames them (three bytes, an incomplete one dropped after a
// silence of 20 ms), replies as the console assembles them (ReplyAssembly), which the tap
// can follow exactly because it sees every command the console sends. Fed every chunk read
// on either side with the time it was read, it gives back lines to print in the order of
// their first byte's time.
//
// The console's chunks are what its reader hands over, which nobody outside the console
// sees. Taken here: the bytes read from the device with no gap of more than 1 ms between
// them (the console reader's silence) form one chunk, handed over once 1 ms has passed
// without another; a command read before that starts the new reply before the chunk joins
// it, as the console's does. Where the console's own timing falls on the other side of 1 ms
// than the tap's reading, the two can differ, and only then: a chunk boundary changes
// nothing unless a chunk overflows the reply.
//
// Without the console's format the decoder follows both and learns which one the replies
// use from what they answer: the command's address and letter at a reply's second and third
// bytes (or the FF .. 03 markers) make it five-byte, the command's letter at its second byte
// three-byte. The first reply that answers tells; later, to change its mind, the decoder
// needs a command answered by one reply and nothing else before the next, and for five bytes
// their markers (the tail of a five-byte reply cut short by a command looks like a three-byte
// answer, a three-byte reply between bytes of its neighbours like a five-byte one). It says
// so when it first knows and whenever it changes its mind.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tools/frames/reply_assembly.h"
#include "tools/frames/stream_decoder.h"

namespace frames {

struct LineEvent {
    enum class Kind {
        Command,            // three bytes from the console: command holds them
        IncompleteCommand,  // fewer bytes from the console before a silence
        Reply,              // a reply the console decodes: assembled holds it
        Dropped,            // bytes from the device the console drops: assembled says why
        Format,             // the replies' format learned or changed: note says how
        Note,               // an event of the caller's own: note
    };
    Kind kind = Kind::Note;
    // When its first byte was read (a note: when it happened); lines are given in this order.
    Clock::time_point at;
    Bytes bytes;
    CommandFrame command;
    Assembled assembled;
    ReplyFormat format = ReplyFormat::FiveByte;  // Reply, Dropped, Format
    std::string note;
};

class LineDecoder {
  public:
    // The console reader's silence that ends a chunk; a chunk also ends when it has come to
    // the reader's size or taken the reader's whole time-out (a line that never falls silent).
    static constexpr Clock::duration kChunkSilence = std::chrono::milliseconds(1);
    static constexpr size_t kChunkSize = 32768;
    static constexpr Clock::duration kChunkTime = std::chrono::milliseconds(32768 + 5);
    // The silence after which the controller drops an incomplete command.
    static constexpr Clock::duration kCommandGap = std::chrono::milliseconds(20);
    // The longest a line waits behind an incomplete reply that began before it; then what
    // has been gathered of that reply is shown so far.
    static constexpr Clock::duration kHoldLimit = std::chrono::milliseconds(100);

    // consoleFormat: the reply format the console is set to, or nothing to learn it.
    explicit LineDecoder(std::optional<ReplyFormat> consoleFormat);

    // Bytes read from the console's side, and from the device's, at `at`. Calls come in the
    // order of their times.
    void FromConsole(const uint8_t* bytes, size_t count, Clock::time_point at);
    void FromDevice(const uint8_t* bytes, size_t count, Clock::time_point at);
    void Note(std::string text, Clock::time_point at);
    // Settles what time alone settles: no byte read before `now` is still to come.
    void Expire(Clock::time_point now);
    // When Expire will next have something to do.
    std::optional<Clock::time_point> Deadline() const;
    // The lines that nothing still to come can precede.
    std::vector<LineEvent> Take();
    // The line is left: everything held comes out as it stands.
    std::vector<LineEvent> Finish(Clock::time_point now);

    // The format replies are read in now (learned or given).
    ReplyFormat Format() const { return sides_[believed_].assembly.Format(); }

  private:
    // What the decoder keeps for each format it follows.
    struct Side {
        explicit Side(ReplyFormat format) : assembly(format) {}
        ReplyAssembly assembly;
        std::vector<Assembled> step;  // what the current step made of the bytes
        // The first reply since the last command that answered it, and that command.
        std::optional<Assembled> answer;
        std::optional<CommandFrame> answerTo;
        // Five-byte side: what the last command dropped, and the command it had answered.
        Bytes cut;
        std::optional<CommandFrame> cutTo;
    };

    void CloseChunk();
    // Learns from what the step made on each side, then queues the believed side's lines.
    // windowEnds: the step is a command, which ends what the previous one began.
    void EndStep(bool windowEnds = false);
    // The side the step's replies tell for; a late answer to queue as well when the step
    // ends a window that held just one three-byte answer.
    void Learn(bool windowEnds);
    void Queue(LineEvent event);
    // The earliest time a line still to come can carry.
    std::optional<Clock::time_point> Holding() const;
    // Shows the incomplete replies a line has waited behind for too long.
    void LimitHold(Clock::time_point now);
    void Release();

    StreamDecoder commands_;
    std::vector<Side> sides_;  // learning: five-byte first, then three-byte
    size_t believed_ = 0;
    bool learned_ = false;
    Bytes chunk_;
    std::vector<Clock::time_point> chunkAt_;
    size_t windowBytes_ = 0;         // handed over since the last command
    Clock::time_point stepAt_;       // when the command or the end that ends a window came
    std::vector<LineEvent> queued_;  // by time, until nothing earlier can come
    std::vector<LineEvent> out_;
};

}  // namespace frames

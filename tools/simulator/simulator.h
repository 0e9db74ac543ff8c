#pragma once
// The simulator's loop: one thread polling the line, the control channels and the stop
// pipe, with the next deadline (an incomplete command's silence, a delayed or split reply)
// as its time-out.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "tools/frames/stream_decoder.h"
#include "tools/simulator/controller.h"
#include "tools/simulator/line.h"
#include "tools/simulator/line_reader.h"
#include "tools/simulator/settings.h"

namespace sim {

using frames::Clock;

struct LoopInputs {
    int stop = -1;     // readable once a stop signal arrived
    int stdinFd = -1;  // control lines; -1 when not read
    int fifo = -1;     // control lines from --control; -1 when none
};

class Simulator {
  public:
    Simulator(const Options& options, Line& line);

    // Runs until a stop signal (or stdin's end with --exit-on-eof). Returns the exit code.
    int Run(LoopInputs inputs);

  private:
    struct Burst {
        Clock::time_point due;
        std::vector<uint8_t> bytes;
        std::string note;
        std::optional<uint32_t> switchToBaud;  // after these bytes have left
    };

    void ReadLine(Clock::time_point now, short events);
    void HandleCommand(const frames::CommandFrame& command, Clock::time_point now);
    void Received(const std::vector<frames::FrameEvent>& events, Clock::time_point now);
    void Send(const Reply& reply, Clock::time_point now);
    void WriteDue(Clock::time_point now);
    // False when the channel ended.
    bool ReadControl(int fd, LineReader& reader);
    std::optional<Clock::time_point> NextDeadline() const;

    Line& line_;
    Controller controller_;
    frames::ReplyFormat format_;
    Faults faults_;
    bool exitOnEof_;
    frames::StreamDecoder commands_;
    std::deque<Burst> outgoing_;
    LineReader stdinReader_;
    LineReader fifoReader_;
    // While the line reports a hang-up it is left out of the poll until this time.
    std::optional<Clock::time_point> lineRetry_;
};

}  // namespace sim

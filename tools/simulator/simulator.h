#pragma once
// The simulator's loop: one thread polling the line, the control channels and the stop
// pipe, with the next deadline (an incomplete command's silence, the next reply byte, the
// next try at a lost device) as its time-out, to the nanosecond.

#include <optional>
#include <string>
#include <vector>

#include "tools/frames/stream_decoder.h"
#include "tools/line/line.h"
#include "tools/simulator/controller.h"
#include "tools/simulator/line_reader.h"
#include "tools/simulator/settings.h"
#include "tools/simulator/transmitter.h"

namespace sim {

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
    void ReadLine(Clock::time_point now, short events);
    // Bytes from the console, as the controller's UART reads them.
    void Heard(const uint8_t* bytes, size_t count, Clock::time_point now);
    void LineFailed(const std::string& reason, Clock::time_point now);
    void ReopenDevice(Clock::time_point now);
    void HandleCommand(const frames::CommandFrame& command, Clock::time_point now);
    void Received(const std::vector<frames::FrameEvent>& events, Clock::time_point now);
    void Send(const Reply& reply, Clock::time_point now);
    // False when the channel ended.
    bool ReadControl(int fd, LineReader& reader);
    std::optional<Clock::time_point> NextDeadline() const;

    Line& line_;
    Controller controller_;
    frames::ReplyFormat format_;
    Faults faults_;
    bool exitOnEof_;
    frames::StreamDecoder commands_;
    Transmitter transmitter_;
    LineReader stdinReader_;
    LineReader fifoReader_;
    // While the line reports a hang-up, or its device is gone, it is left out of the poll
    // until this time.
    std::optional<Clock::time_point> lineRetry_;
    bool lineDown_ = false;      // the hang-up has been reported
    std::string lastOpenError_;  // a lost device's last reason not to open, reported once
};

}  // namespace sim

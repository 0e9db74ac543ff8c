#pragma once
// The tap's monitor: a copy of every chunk the tap forwarded is decoded as both ends take it
// (frames::LineDecoder) and printed with its time, its hex and its meaning, on a thread of its
// own, so that neither decoding nor a slow stdout or log file ever holds a byte of the line
// back. Everything the tap says goes through here, so its lines keep their order.

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/frames/line_decoder.h"

namespace tap {

using frames::Clock;

class TapMonitor {
  public:
    // consoleFormat: as for frames::LineDecoder. log: written as well as stdout when not null
    // (not owned); logName names it in a complaint.
    TapMonitor(std::optional<frames::ReplyFormat> consoleFormat, std::FILE* log,
               std::string logName);
    // Prints what is still queued and everything still held, then ends the thread.
    ~TapMonitor();
    TapMonitor(const TapMonitor&) = delete;
    TapMonitor& operator=(const TapMonitor&) = delete;

    // A chunk that went through, stamped now. Costs a copy and a wake-up; when the monitor
    // has fallen far behind, the chunk is counted and not shown.
    void Forwarded(frames::Direction direction, const uint8_t* bytes, size_t count);
    // An event of the tap's own, stamped now.
    void Note(std::string text);

  private:
    struct Entry {
        Clock::time_point at;
        frames::Direction direction = frames::Direction::Commands;
        frames::Bytes bytes;
        std::string note;  // not empty: a note rather than a chunk
    };

    void Run();
    void Process(const Entry& entry);
    void Print(const std::vector<frames::LineEvent>& events);
    void Write(Clock::time_point at, const std::string& text);

    std::FILE* log_;
    std::string logName_;
    bool logFailed_ = false;
    frames::LineDecoder decoder_;  // the monitor thread's own

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Entry> queue_;
    size_t dropped_ = 0;  // chunks not queued since the last report
    bool stop_ = false;
    std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace tap

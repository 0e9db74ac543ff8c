#pragma once
// The tap: the console opens a pseudo-terminal in place of the serial device, and every byte
// read on either side is written to the other at once, whole frame or not, while the monitor
// decodes a copy. One thread polls both ends. Before a chunk from the console goes on, the
// device is set to the speed the console last set on its end, so Set speed and Reset carry
// through. A device that disappears is reported and opened again every 500 ms, while the
// console keeps its terminal.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "tools/line/line.h"
#include "tools/tap/options.h"
#include "tools/tap/tap_monitor.h"

namespace tap {

using sim::Line;

class Tap {
  public:
    // console: the pseudo-terminal the console opens.
    Tap(const Options& options, Line& console);
    ~Tap();
    Tap(const Tap&) = delete;
    Tap& operator=(const Tap&) = delete;

    // Opens the device and the log file; false with the reason when either fails.
    bool Open(std::string& error);
    // Forwards until stop (a descriptor) becomes readable. Returns the exit code.
    int Run(int stop);

  private:
    // One chunk from a side poll found ready: its size, 0 for nothing now, or nothing when
    // the side failed or hung up (failure says which).
    static std::optional<size_t> ReadChunk(Line& side, short events, uint8_t* buffer, size_t size,
                                           std::string& failure);
    void FromConsole(short events);
    void FromDevice(short events);
    // Sets the device to the console's speed when that changed since the last chunk.
    void FollowConsoleSpeed();
    // Adds the bytes to pending and writes what the destination takes now; false when the
    // write failed (pending kept, for the caller to report).
    static bool Send(Line& to, frames::Bytes& pending, const uint8_t* bytes, size_t count);
    void DeviceLost(const std::string& reason);
    void ReopenDevice();
    void ConsoleFailed(const std::string& what);
    std::optional<Clock::time_point> NextDeadline() const;

    const Options& options_;
    Line& console_;
    std::unique_ptr<Line> device_;
    uint32_t deviceBaud_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> log_{nullptr, std::fclose};
    std::unique_ptr<TapMonitor> monitor_;

    // Bytes read but not yet taken by the other side; while some wait, their source is not
    // read, so a side that does not keep up slows the other instead of filling memory.
    frames::Bytes toDevice_;
    frames::Bytes toConsole_;
    std::optional<Clock::time_point> deviceRetry_;   // while the device is gone
    std::optional<Clock::time_point> consoleRetry_;  // while the console's side fails
    std::string lastOpenError_;
};

}  // namespace tap

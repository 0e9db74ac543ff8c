#pragma once
// The line monitor on stdout: one time-stamped line per frame received ("<-"), burst sent
// ("->") or event ("--"). Flushed line by line, since stdout is usually a pipe or a file.

#include <chrono>
#include <string>
#include <string_view>

namespace sim {

// A line as it is, without a time stamp (the device path that comes first).
void PrintPlain(std::string_view text);
// "12:00:01.234 ": the local time of day to the millisecond, and a space.
std::string Stamp(std::chrono::system_clock::time_point at);
// Stamp(now) followed by text.
void PrintStamped(std::string_view text);

}  // namespace sim

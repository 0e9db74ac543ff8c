#pragma once
// Frames in words, for a line monitor: the command letter and what it asks, a reply's status
// bits, error code and text, timeout or address. English, as the tools print; the error
// texts are the controller's own (Russian).

#include <cstdint>
#include <string>

#include "tools/frames/frame.h"
#include "tools/frames/line_decoder.h"
#include "tools/frames/stream_decoder.h"

namespace frames {

// "10 (1000 ms)": a timeout in its units of 100 ms.
std::string TimeoutText(uint8_t units);
// "D", or "07h" for a byte that is not a printable character.
std::string LetterText(uint8_t letter);
// "86: entry green, exit red, ready"; "00: no bits set".
std::string DescribeStatus(uint8_t status);
// "to 1: D status request"; "to 1: A entry light red"; "to 1: H write the line speed 19200
// (code 19)"; "to 1: P no such command".
std::string DescribeCommand(const CommandFrame& command);
// "from 1: D status 86: entry green, exit red, ready"; "from 1: E error 2: Недопустимый код
// команды"; "from 1: G timeout 25 (2500 ms)"; "from 1: J address 3"; "from 1: F data 13h (not
// interpreted)". Markers are not looked at.
std::string DescribeReply(const ReplyFrame& reply);
// The meaning of an event, without its bytes: the two above, "malformed reply (start FE, end
// 02): " followed by what it would say, "incomplete command" or "stray bytes".
std::string Describe(const FrameEvent& event);
// "in one piece"; "in 2 pieces, the longest gap 30.1 ms after byte 1".
std::string DescribeArrival(const std::vector<Clock::time_point>& at);
// A monitor's line for the event, without its time: "-> " or "<- " and the hex, or "-- ", then
// the meaning; a reply also says how it arrived and what the console's status line shows
// ("[n]" standing for the console's reply number).
std::string Describe(const LineEvent& event);

}  // namespace frames

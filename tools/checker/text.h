#pragma once
// Small pieces of the record's wording, shared by the checks and the summary.

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/frames/describe.h"
#include "tools/frames/stream_decoder.h"

namespace check {

// "500 ms".
std::string Millis(std::chrono::milliseconds span);
// "9.6 ms".
std::string Elapsed(frames::Clock::duration span);
using frames::TimeoutText;  // "10 (1000 ms)"
// "2 (Недопустимый код команды)".
std::string ErrorCodeText(uint8_t code);
// The parts joined with "; ".
std::string Join(const std::vector<std::string>& parts);
// The pattern with each "{name}" replaced by its value ("speed.{baud}" -> "speed.19200").
std::string Fill(std::string_view pattern,
                 std::initializer_list<std::pair<std::string_view, std::string>> values);

}  // namespace check

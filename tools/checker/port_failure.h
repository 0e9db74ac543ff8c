#pragma once
// What the checker says when its port cannot be opened or fails while it runs: the serial
// port object's message and the cause line as the console shows them, in Russian and as
// they stand, then the same in English for an engineer who reads no Russian.

#include <string>

#include "serial/comm_error.h"

namespace check {

// Two lines: "Невозможно открыть порт. Устройство /dev/ttyUSB0 занято: порт открыт другой
// программой." and "  The port could not be opened: another program has it open (...).".
std::string OpenFailureText(const serial::ECommsError& error, const std::string& portName);

// The cause of a line lost while the port was open, the same two ways; empty when the
// worker knew no reason.
std::string LineLostText(int systemError, const std::string& portName);

}  // namespace check

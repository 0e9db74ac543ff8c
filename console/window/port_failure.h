#pragma once
// The line that tells the operator why a port could not be opened or why its line was lost,
// naming the device that the port name stands for.

#include <QString>
#include <string>

#include "serial/comm_error.h"
#include "serial/system_error.h"

namespace console {

// One sentence, or empty when the system gave no reason (systemError 0).
QString PortFailureCause(const std::string& portName, int systemError, serial::FailureStage stage);
// The line under a failed opening's message: the device and its cause when the device
// failed; only the system's own text when a worker thread could not be created.
QString OpeningFailureCause(const std::string& portName, const serial::ECommsError& failure);

}  // namespace console

// The cause line is the serial layer's, shared with the command-line tools, so that every
// program says a port is busy in the same words.

#include "console/window/port_failure.h"

#include "serial/failure_cause.h"

namespace console {

QString PortFailureCause(const std::string& portName, int systemError, serial::FailureStage stage) {
    return QString::fromStdString(serial::FailureCause(portName, systemError, stage));
}

}  // namespace console

// The cause line is the serial layer's, shared with the command-line tools, so that every
// program says a port is busy in the same words.

#include "console/window/port_failure.h"

#include "console/window/application.h"
#include "serial/failure_cause.h"

namespace console {
namespace {

QString SystemText(int systemError) {
    const QString text = QString::fromStdString(serial::SystemErrorText(systemError));
    return text.isEmpty() ? QString::fromUtf8(serial::kSystemErrorCode).arg(systemError) : text;
}

}  // namespace

QString PortFailureCause(const std::string& portName, int systemError, serial::FailureStage stage) {
    return QString::fromStdString(serial::FailureCause(portName, systemError, stage));
}

QString OpeningFailureCause(const std::string& portName, const serial::ECommsError& failure) {
    if (failure.Source() == serial::ECommsError::Origin::Device)
        return PortFailureCause(portName, failure.SystemError(), serial::FailureStage::Opening);
    if (failure.SystemError() == 0) return {};
    return FailureText(SystemText(failure.SystemError()));
}

}  // namespace console

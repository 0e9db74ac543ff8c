// The Russian lines are the console's own (the port object's messages and the serial layer's
// cause line), so that the checker and the console never name one fault in two ways.

#include "tools/checker/port_failure.h"

#include <cctype>
#include <cstring>

#include "serial/failure_cause.h"
#include "serial/system_error.h"

namespace check {
namespace {

// The port object's messages, in English.
struct MessageRow {
    const char* message;
    const char* english;
};

constexpr MessageRow kMessages[] = {
    {serial::kPortAlreadyOpen, "the port is already open"},
    {serial::kCannotOpenPort, "the port could not be opened"},
    {serial::kNotACommPort, "the device is not a serial port"},
    {serial::kBadPortSettings, "the port refused its settings (the speed, 8N1, no flow control)"},
    {serial::kCannotCreateReadThread, "the port's reading thread could not be created"},
    {serial::kCannotCreateWriteThread, "the port's writing thread could not be created"},
};

// The causes that the cause line names, in English; nothing for the system's own text, which
// the cause line already carries.
const char* CauseInEnglish(serial::SystemCause cause) {
    switch (cause) {
        case serial::SystemCause::NotFound:
            return "there is no such device (check the name and that the adapter is plugged in; "
                   "--list-ports shows the serial devices present)";
        case serial::SystemCause::NoPermission:
            return "this user may not open it (add the user to the group that owns the device "
                   "and log in again)";
        case serial::SystemCause::Busy:
            return "another program has it open (a console, a terminal program, another "
                   "checker or the tap)";
        case serial::SystemCause::Gone:
            return "the device has gone (the adapter was pulled or the far end hung up)";
        case serial::SystemCause::None:
        case serial::SystemCause::Other:
            break;
    }
    return nullptr;
}

// The Russian line, then on its own line the English, of whichever parts are known.
std::string BothWays(const std::string& russian, const std::string& message, const char* cause) {
    std::string english = message;
    if (cause) english += (english.empty() ? "" : ": ") + std::string(cause);
    if (english.empty()) return russian;
    english[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(english[0])));
    return russian + "\n  " + english + ".";
}

}  // namespace

std::string OpenFailureText(const serial::ECommsError& error, const std::string& portName) {
    std::string message;
    for (const MessageRow& row : kMessages) {
        if (std::strcmp(row.message, error.what()) == 0) message = row.english;
    }
    // A worker that could not be created says nothing about the device: only the system's
    // own text goes with it.
    std::string russian = error.what();
    if (error.Source() == serial::ECommsError::Origin::Worker) {
        const std::string reason = serial::SystemErrorText(error.SystemError());
        if (!reason.empty()) russian += " " + reason + ".";
        return BothWays(russian, message, nullptr);
    }
    const auto stage = serial::FailureStage::Opening;
    const std::string cause = serial::FailureCause(portName, error.SystemError(), stage);
    if (!cause.empty()) russian += " " + cause;
    return BothWays(russian, message, CauseInEnglish(serial::CauseOf(error.SystemError(), stage)));
}

std::string LineLostText(int systemError, const std::string& portName) {
    const auto stage = serial::FailureStage::Running;
    const std::string cause = serial::FailureCause(portName, systemError, stage);
    if (cause.empty()) return {};
    return BothWays(cause, "", CauseInEnglish(serial::CauseOf(systemError, stage)));
}

}  // namespace check

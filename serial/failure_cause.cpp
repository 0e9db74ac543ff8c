// The device's name comes from the serial layer's own mapping of the port name, so the
// operator reads the path that was really opened.

#include "serial/failure_cause.h"

#include "serial/device.h"

namespace serial {
namespace {

// The text with %1 and %2 replaced in one pass, so that a device name holding "%2" stays
// as it is.
std::string Arg(const char* text, const std::string& first, const std::string& second = {}) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '%' && (p[1] == '1' || p[1] == '2')) {
            out += p[1] == '1' ? first : second;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace

std::string FailureCause(const std::string& portName, int systemError, FailureStage stage) {
    const std::string device = PlatformDevicePath(portName);
    // A name that stands for no device at all (the empty port item) is named as it is.
    const std::string& name = device.empty() ? portName : device;
    switch (CauseOf(systemError, stage)) {
        case SystemCause::None:
            return {};
        case SystemCause::NotFound:
            return Arg(kDeviceNotFound, name);
        case SystemCause::NoPermission: {
            const std::string group = DeviceGroup(device);
            if (group.empty()) return Arg(kDeviceNoPermissionGroupUnknown, name);
            return Arg(kDeviceNoPermission, name, group);
        }
        case SystemCause::Busy:
            return Arg(kDeviceBusy, name);
        case SystemCause::Gone:
            return Arg(kDeviceGone, name);
        case SystemCause::Other:
            break;
    }
    std::string text = SystemErrorText(systemError);
    if (text.empty()) text = Arg(kSystemErrorCode, std::to_string(systemError));
    text = Arg(kDeviceSystemError, name, text);
    // As every failure shown to the operator: a full stop unless the text ends in one (or in
    // a character below it). Every byte of a multi-byte UTF-8 character is above '.'.
    if (static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
}

}  // namespace serial

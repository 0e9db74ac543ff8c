// The device's name comes from the serial layer's own mapping of the port name, so the
// operator reads the path that was really opened.

#include "console/window/port_failure.h"

#include "console/window/application.h"
#include "console/window/texts.h"
#include "serial/device.h"

namespace console {
namespace {

QString SystemText(int systemError) {
    const QString text = QString::fromStdString(serial::SystemErrorText(systemError));
    return text.isEmpty() ? QString::fromUtf8(kSystemErrorCode).arg(systemError) : text;
}

}  // namespace

QString PortFailureCause(const std::string& portName, int systemError, serial::FailureStage stage) {
    const std::string device = serial::PlatformDevicePath(portName);
    // A name that stands for no device at all (the empty port item) is named as it is.
    const QString name = QString::fromStdString(device.empty() ? portName : device);
    switch (serial::CauseOf(systemError, stage)) {
        case serial::SystemCause::None:
            return {};
        case serial::SystemCause::NotFound:
            return QString::fromUtf8(kDeviceNotFound).arg(name);
        case serial::SystemCause::NoPermission: {
            const std::string group = serial::DeviceGroup(device);
            if (group.empty()) return QString::fromUtf8(kDeviceNoPermissionGroupUnknown).arg(name);
            return QString::fromUtf8(kDeviceNoPermission).arg(name, QString::fromStdString(group));
        }
        case serial::SystemCause::Busy:
            return QString::fromUtf8(kDeviceBusy).arg(name);
        case serial::SystemCause::Gone:
            return QString::fromUtf8(kDeviceGone).arg(name);
        case serial::SystemCause::Other:
            break;
    }
    return FailureText(QString::fromUtf8(kDeviceSystemError).arg(name, SystemText(systemError)));
}

QString OpeningFailureCause(const std::string& portName, const serial::ECommsError& failure) {
    if (failure.Source() == serial::ECommsError::Origin::Device)
        return PortFailureCause(portName, failure.SystemError(), serial::FailureStage::Opening);
    if (failure.SystemError() == 0) return {};
    return FailureText(SystemText(failure.SystemError()));
}

}  // namespace console

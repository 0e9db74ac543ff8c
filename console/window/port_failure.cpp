// The device's name comes from the serial layer's own mapping of the port name, so the
// operator reads the path that was really opened.

#include "console/window/port_failure.h"

#include "console/window/application.h"
#include "console/window/texts.h"
#include "serial/device.h"

namespace console {

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
    QString text = QString::fromStdString(serial::SystemErrorText(systemError));
    if (text.isEmpty()) text = QString::fromUtf8(kSystemErrorCode).arg(systemError);
    return FailureText(QString::fromUtf8(kDeviceSystemError).arg(name, text));
}

}  // namespace console

// From the port name the console builds ("//./" + the port box text) to the device's own
// name, as the operator knows it.
#include "device.h"

#include <windows.h>

#include <string>

namespace serial {

std::string PlatformDevicePath(const std::string& portName) {
    for (const char* prefix : {"//./", "\\\\.\\"})
        if (portName.rfind(prefix, 0) == 0) return portName.substr(4);
    return portName;
}

bool DevicePresent(const std::string& device) {
    // The system's name table holds every serial device that is there now ("COM4").
    char target[1024];
    return !device.empty() && ::QueryDosDeviceA(device.c_str(), target, sizeof target) != 0;
}

}  // namespace serial

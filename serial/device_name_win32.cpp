// From the port name the console builds ("//./" + the port box text) to the device's own
// name, as the operator knows it.
#include <string>

#include "device.h"

namespace serial {

std::string PlatformDevicePath(const std::string& portName) {
    for (const char* prefix : {"//./", "\\\\.\\"})
        if (portName.rfind(prefix, 0) == 0) return portName.substr(4);
    return portName;
}

}  // namespace serial

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
    if (device.empty()) return false;
    // The system's name table holds every serial device that is there now ("COM4").
    char target[1024];
    if (::QueryDosDeviceA(device.c_str(), target, sizeof target) != 0) return true;
    if (device.find_first_of("/\\:") != std::string::npos)  // a path: a file or a device
        return ::GetFileAttributesA(device.c_str()) != INVALID_FILE_ATTRIBUTES;
    // A port the table does not hold but the file system finds (Wine's ports are links in its
    // prefix): opened without access rights, which reads and changes nothing on the line; a
    // port another program holds is there too.
    const std::string name = "\\\\.\\" + device;
    HANDLE handle = ::CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
    }
    ::CloseHandle(handle);
    return true;
}

}  // namespace serial

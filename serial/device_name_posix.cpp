// From the port name the console builds ("//./" + the port box text) to a device path.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cctype>
#include <fstream>
#include <string>

#include "device.h"
#include "uart_slot.h"

namespace serial {

namespace {

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// "COMn" with n >= 1 and no leading zero, letters in any case; 0 when it is not that form.
unsigned long ComNumber(const std::string& s) {
    if (s.size() < 4 || s.size() > 12) return 0;
    if (std::toupper(static_cast<unsigned char>(s[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(s[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(s[2])) != 'M' || s[3] == '0')
        return 0;
    unsigned long n = 0;
    for (size_t i = 3; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return 0;
        n = n * 10 + static_cast<unsigned long>(s[i] - '0');
    }
    return n;
}

}  // namespace

// A leading "//./" or "\\.\" is dropped; "COMn" (n >= 1, any letter case) is /dev/ttyS{n-1};
// a text holding "/" is that path; any other text is under /dev. Empty when nothing is left
// to open.
std::string PlatformDevicePath(const std::string& portName) {
    std::string name = portName;
    if (StartsWith(name, "//./") || StartsWith(name, "\\\\.\\")) name.erase(0, 4);
    if (name.empty()) return {};
    if (const unsigned long n = ComNumber(name)) return "/dev/ttyS" + std::to_string(n - 1);
    if (name.find('/') != std::string::npos) return name;
    return "/dev/" + name;
}

bool EmptyUartSlot(const std::filesystem::path& sysfsTty) {
    std::ifstream in(sysfsTty / "type");
    std::string type;
    return (in >> type) && type == "0";
}

// A character device (a file of the name is none), and not a UART slot left empty. sysfs finds
// the tty by the device's numbers, whichever name or link led to it.
bool DevicePresent(const std::string& device) {
    struct stat st {};
    if (device.empty() || ::stat(device.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const std::string numbers =
        std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
    return !EmptyUartSlot("/sys/dev/char/" + numbers);
}

}  // namespace serial

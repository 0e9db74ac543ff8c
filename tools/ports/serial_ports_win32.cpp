// Windows names every serial port by a DOS device name (COM1, COM3 ...) that leads to the
// kernel's device (\Device\Serial0, \Device\VCP0); the Plug and Play manager knows, for the
// ports class, which hardware stands behind each name: its driver service, its description
// and, for a USB adapter, the vendor and product IDs in its hardware ID. The list is the COM
// names the system holds, with those that only the file system finds (Wine's ports are links
// in its prefix) found by probing COM1 to COM256; the Plug and Play data adds what it has.

// The project's headers first: the serial layer's device-control names are macros of
// <windows.h>.
#include "serial/device.h"
#include "tools/ports/serial_ports.h"
// After them, and <windows.h> before the others:
#include <windows.h>
//
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <tuple>

namespace ports {
namespace {

// "COM3" and a number: only such names are serial ports.
bool IsComName(const std::string& name) {
    if (name.size() < 4 || name.size() > 6 || name.compare(0, 3, "COM") != 0) return false;
    return std::all_of(name.begin() + 3, name.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// Every DOS device name, from the double-NUL-ended list QueryDosDevice fills; the buffer grows
// until the list fits.
std::vector<std::string> DosDeviceNames() {
    std::vector<char> buffer(16384);
    for (;;) {
        const DWORD length =
            QueryDosDeviceA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length != 0) break;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || buffer.size() > (1u << 24)) return {};
        buffer.resize(buffer.size() * 2);
    }
    std::vector<std::string> names;
    for (const char* at = buffer.data(); *at; at += names.back().size() + 1) names.emplace_back(at);
    return names;
}

std::string TargetOf(const std::string& name) {
    char target[1024];
    if (QueryDosDeviceA(name.c_str(), target, sizeof target) == 0) return {};
    return target;  // the first of the targets is the one in force
}

std::string Property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    char text[1024];
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, &type,
                                           reinterpret_cast<BYTE*>(text), sizeof text - 1,
                                           nullptr)) {
        return {};
    }
    text[sizeof text - 1] = '\0';
    return text;  // a multi-string's first string: the most specific hardware ID
}

// "0403" after "VID_" in "USB\VID_0403&PID_6001&REV_0600"; empty when it is not there.
std::string IdAfter(const std::string& hardwareId, const std::string& key) {
    const size_t at = hardwareId.find(key);
    if (at == std::string::npos || at + key.size() + 4 > hardwareId.size()) return {};
    std::string id = hardwareId.substr(at + key.size(), 4);
    for (char& c : id) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return id;
}

// The Plug and Play manager's ports present, by their COM names.
std::map<std::string, SerialPort> PlugAndPlayPorts() {
    std::map<std::string, SerialPort> found;
    HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return found;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        char name[64] = {};
        DWORD size = sizeof name - 1;
        const bool named = RegQueryValueExA(key, "PortName", nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(name), &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (!named || !IsComName(name)) continue;  // a printer port of the same class
        SerialPort port;
        port.driver = Property(set, device, SPDRP_SERVICE);
        const std::string hardwareId = Property(set, device, SPDRP_HARDWAREID);
        const std::string vendor = IdAfter(hardwareId, "VID_");
        const std::string product = IdAfter(hardwareId, "PID_");
        if (!vendor.empty() && !product.empty()) {
            port.usb = UsbAdapter{vendor,
                                  product,
                                  Property(set, device, SPDRP_DEVICEDESC),
                                  Property(set, device, SPDRP_MFG),
                                  {}};
        }
        found[name] = std::move(port);
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

}  // namespace

std::vector<SerialPort> ListSerialPorts(const Roots&) {
    std::map<std::string, SerialPort> known = PlugAndPlayPorts();
    std::set<std::string> names;
    for (const std::string& name : DosDeviceNames()) {
        if (IsComName(name)) names.insert(name);
    }
    constexpr int kHighestProbed = 256;
    for (int number = 1; number <= kHighestProbed; ++number) {
        const std::string name = "COM" + std::to_string(number);
        if (!names.count(name) && serial::DevicePresent(name)) names.insert(name);
    }
    std::vector<SerialPort> found;
    for (const std::string& name : names) {
        SerialPort port = known.count(name) ? known[name] : SerialPort{};
        port.name = port.consoleName = name;
        port.device = "\\\\.\\" + name;
        port.systemDevice = TargetOf(name);
        found.push_back(std::move(port));
    }
    // COM2 before COM10.
    std::sort(found.begin(), found.end(), [](const SerialPort& a, const SerialPort& b) {
        return std::make_tuple(a.name.size(), a.name) < std::make_tuple(b.name.size(), b.name);
    });
    return found;
}

std::string ListingText(const std::vector<SerialPort>& ports, const Roots&) {
    if (ports.empty()) {
        return "No serial ports found: is the adapter plugged in? (Device Manager shows it "
               "under \"Ports (COM & LPT)\")\n";
    }
    std::string text = "Serial ports present (type the name in the console's port box):\n";
    for (const SerialPort& port : ports) {
        std::string line = port.name;
        line.resize(std::max<size_t>(line.size() + 1, 8), ' ');
        std::string about;
        const auto add = [&about](const std::string& part) {
            if (!part.empty()) about += (about.empty() ? "" : "; ") + part;
        };
        add(port.systemDevice);
        if (!port.driver.empty()) add("driver " + port.driver);
        if (port.usb) {
            std::string usb = "USB " + port.usb->vendorId + ":" + port.usb->productId;
            if (!port.usb->product.empty()) usb += " \"" + port.usb->product + "\"";
            if (!port.usb->manufacturer.empty()) usb += " by " + port.usb->manufacturer;
            add(usb);
        }
        text += "  " + line + about + "\n";
    }
    return text;
}

}  // namespace ports

// sysfs puts every tty under class/tty; one with hardware behind it has a "device" link, and
// the driver and the USB adapter are found by walking up from where that link leads.

#include "tools/ports/serial_ports.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <tuple>

#include "serial/device.h"
#include "serial/uart_slot.h"

namespace ports {
namespace {

namespace fs = std::filesystem;

// The first line of a sysfs attribute; empty when there is none.
std::string Attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    return line;
}

bool Has(const fs::path& file) {
    std::error_code error;
    return fs::exists(file, error);
}

// The last part of where a symbolic link leads ("../../bus/usb-serial/drivers/ftdi_sio").
std::string LinkName(const fs::path& link) {
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    return error ? std::string() : target.filename().string();
}

// The devices from this one up to the root of the device tree.
std::vector<fs::path> Ancestry(const fs::path& device, const fs::path& devices) {
    std::vector<fs::path> chain;
    for (fs::path at = device; at != devices && at.has_relative_path() && at != at.parent_path();
         at = at.parent_path()) {
        chain.push_back(at);
    }
    return chain;
}

// The nearest driver: the serial core's own port devices (bus serial-base) stand between a
// tty and the driver of its UART on newer kernels and are passed over.
std::string DriverOf(const std::vector<fs::path>& ancestry) {
    for (const fs::path& at : ancestry) {
        if (LinkName(at / "subsystem") == "serial-base") continue;
        if (std::string driver = LinkName(at / "driver"); !driver.empty()) return driver;
    }
    return {};
}

std::optional<UsbAdapter> UsbAdapterOf(const std::vector<fs::path>& ancestry) {
    for (const fs::path& at : ancestry) {
        if (!Has(at / "idVendor") || !Has(at / "idProduct")) continue;
        return UsbAdapter{Attribute(at / "idVendor"), Attribute(at / "idProduct"),
                          Attribute(at / "product"), Attribute(at / "manufacturer"),
                          Attribute(at / "serial")};
    }
    return std::nullopt;
}

// "COM1" for ttyS0, by the serial layer's own mapping of the console's port names.
std::string ConsoleName(const std::string& name) {
    constexpr size_t kPrefix = 4;  // "ttyS"
    if (name.rfind("ttyS", 0) != 0 || name.size() == kPrefix || name.size() > kPrefix + 6) {
        return {};
    }
    const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    if (!std::all_of(name.begin() + kPrefix, name.end(), digit)) return {};
    const std::string com = "COM" + std::to_string(std::stoul(name.substr(kPrefix)) + 1);
    return serial::PlatformDevicePath(com) == "/dev/" + name ? com : std::string();
}

// The text as it may go to a terminal: a USB device names itself, and a name holding an
// escape sequence would drive the terminal that prints it. Control characters (C0, DEL, C1)
// and bytes that are not UTF-8 are shown as '?'.
std::string Printable(const std::string& text) {
    std::string out;
    const auto byte = [&text](size_t at) { return static_cast<unsigned char>(text[at]); };
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = byte(i);
        const size_t length = lead < 0x80   ? 1
                              : lead < 0xC0 ? 0
                              : lead < 0xE0 ? 2
                              : lead < 0xF0 ? 3
                              : lead < 0xF8 ? 4
                                            : 0;
        char32_t code = length > 1 ? lead & (0x7F >> length) : lead;
        bool valid = length != 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            valid = (byte(i + k) & 0xC0) == 0x80;
            code = code << 6 | (byte(i + k) & 0x3F);
        }
        constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};  // shorter forms are invalid
        valid =
            valid && code >= kLeast[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        const bool control = code < 0x20 || (code >= 0x7F && code < 0xA0);
        if (!valid || control) {
            out += '?';
            i += valid ? length : 1;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

// ttyS2 before ttyS10: the name's letters, then its number.
auto NameOrder(const std::string& name) {
    const size_t digits = name.find_last_not_of("0123456789") + 1;
    const unsigned long number =
        digits < name.size() && name.size() - digits < 10 ? std::stoul(name.substr(digits)) : 0;
    return std::make_tuple(name.substr(0, digits), number, name);
}

}  // namespace

std::vector<SerialPort> ListSerialPorts(const Roots& roots) {
    std::vector<SerialPort> found;
    std::error_code error;
    const fs::path devices = fs::weakly_canonical(roots.sys / "devices", error);
    for (const fs::directory_entry& entry :
         fs::directory_iterator(roots.sys / "class/tty", error)) {
        const fs::path tty = entry.path();
        std::error_code missing;
        const fs::path device = fs::canonical(tty / "device", missing);
        if (missing || serial::EmptyUartSlot(tty)) continue;  // a virtual terminal, or no UART
        const std::vector<fs::path> ancestry = Ancestry(device, devices);
        SerialPort port;
        port.name = tty.filename().string();
        port.device = roots.dev / port.name;
        port.driver = DriverOf(ancestry);
        port.consoleName = ConsoleName(port.name);
        port.usb = UsbAdapterOf(ancestry);
        found.push_back(std::move(port));
    }
    std::sort(found.begin(), found.end(), [](const SerialPort& a, const SerialPort& b) {
        return NameOrder(a.name) < NameOrder(b.name);
    });

    // udev's stable names: links such as usb-FTDI_FT232R_USB_UART_A12345-if00-port0 ->
    // ../../ttyUSB0.
    const fs::path byId = roots.dev / "serial/by-id";
    for (const fs::directory_entry& link : fs::directory_iterator(byId, error)) {
        const std::string target = LinkName(link.path());
        for (SerialPort& port : found) {
            if (port.name == target) port.byId.push_back(byId / link.path().filename());
        }
    }
    for (SerialPort& port : found) std::sort(port.byId.begin(), port.byId.end());
    return found;
}

std::string ListingText(const std::vector<SerialPort>& ports, const Roots& roots) {
    const fs::path ttys = roots.sys / "class/tty";
    if (ports.empty()) {
        return "No serial devices found in " + ttys.string() +
               ": is the adapter plugged in? (dmesg tells what the system made of it)\n";
    }
    std::string text = "Serial devices present (from " + ttys.string() + "):\n";
    // Every name below comes from sysfs or /dev.
    for (const SerialPort& port : ports) {
        std::string line = Printable(port.device.string());
        line.resize(std::max<size_t>(line.size() + 1, 16), ' ');
        std::string about;
        const auto add = [&about](const std::string& part) {
            if (!part.empty()) about += (about.empty() ? "" : "; ") + part;
        };
        if (!port.consoleName.empty()) add(port.consoleName + " in the console");
        add(port.driver.empty() ? "driver unknown" : "driver " + Printable(port.driver));
        if (port.usb) {
            const UsbAdapter& usb = *port.usb;
            std::string said = "USB " + Printable(usb.vendorId) + ":" + Printable(usb.productId);
            if (!usb.product.empty()) said += " \"" + Printable(usb.product) + "\"";
            if (!usb.manufacturer.empty()) said += " by " + Printable(usb.manufacturer);
            if (!usb.serialNumber.empty()) said += ", serial number " + Printable(usb.serialNumber);
            add(said);
        }
        text += "  " + line + about + "\n";
        for (const fs::path& name : port.byId) {
            text += "  " + std::string(line.size(), ' ') + Printable(name.string()) + "\n";
        }
    }
    text += "Pseudo-terminals (such as the simulated controller's) are not listed.\n";
    return text;
}

}  // namespace ports

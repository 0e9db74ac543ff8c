#pragma once
// The serial devices present, for an engineer who has just plugged in an adapter and needs its
// name: each device with its stable /dev/serial/by-id/ name, its driver and, for a USB
// adapter, what the adapter says it is. On Linux it is read from sysfs, whose root (like
// /dev's) can be given, so that a test can run it against a tree of its own; on Windows from
// the system's COM device names and what Plug and Play knows of each.
//
// Pseudo-terminals are not listed: no hardware stands behind them, sysfs does not show them,
// and a desktop has dozens; the simulated controller prints its own as its first line.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ports {

struct Roots {
    std::filesystem::path sys = "/sys";
    std::filesystem::path dev = "/dev";
};

struct UsbAdapter {
    std::string vendorId;   // "0403", as sysfs writes it
    std::string productId;  // "6001"
    std::string product;    // "FT232R USB UART"; empty when the adapter names none
    std::string manufacturer;
    std::string serialNumber;
};

struct SerialPort {
    std::string name;                         // "ttyUSB0"
    std::filesystem::path device;             // "/dev/ttyUSB0"
    std::vector<std::filesystem::path> byId;  // its names under /dev/serial/by-id/
    std::string driver;                       // "ftdi_sio", "cdc_acm", "serial"; empty when unknown
    std::string consoleName;   // "COM1" for ttyS0: how the console's port box names it
    std::string systemDevice;  // Windows: the kernel's device the name leads to, "\Device\VCP0"
    std::optional<UsbAdapter> usb;
};

// The serial devices present, in name order (ttyS2 before ttyS10): every tty of sysfs with
// hardware behind it, less the UART slots in which no UART was found.
std::vector<SerialPort> ListSerialPorts(const Roots& roots = {});

// The listing as the tools print it; says so when there are none.
std::string ListingText(const std::vector<SerialPort>& ports, const Roots& roots = {});

// Prints the listing of this machine; the exit status for a program's --list-ports.
int PrintSerialPorts(std::FILE* out = stdout);

}  // namespace ports

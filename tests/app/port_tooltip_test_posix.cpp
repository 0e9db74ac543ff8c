// On Linux a COM name of the port box stands for a device of another name: the tooltip names
// that device (COM4 is /dev/ttyS3), as Start would open it. Windows' COM names are the devices
// themselves (shown_text_test.cpp covers what both share).

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "console/window/port_tooltip.h"
#include "pseudo_terminal.h"
#include "tools/ports/serial_ports.h"

namespace apptest {
namespace {

// There as --list-ports has it: the 8250 driver makes /dev/ttyS3 whether or not a UART is
// behind it.
TEST(PortToolTip, NamesTheDeviceACOMNameStandsFor) {
    const auto listed = ports::ListSerialPorts();
    const bool there = std::filesystem::exists("/dev/ttyS3") &&
                       std::any_of(listed.begin(), listed.end(),
                                   [](const ports::SerialPort& p) { return p.name == "ttyS3"; });
    EXPECT_EQ(console::PortToolTip("COM4").toStdString(),
              there ? "COM4 — это устройство /dev/ttyS3, оно есть в системе."
                    : "COM4 — это устройство /dev/ttyS3, его сейчас нет в системе.");
}

// A file of the port's name is no device; the adapter's device appearing under that name (as
// udev's links do) is.
TEST(PortToolTip, OnlyADeviceIsThere) {
    QTemporaryDir dir;
    const std::string later =
        (std::filesystem::path(dir.path().toStdString()) / "ttyLATE").string();
    std::ofstream{later};
    EXPECT_EQ(console::PortToolTip(QString::fromStdString(later)).toStdString(),
              "Устройства " + later + " сейчас нет в системе.");
    std::filesystem::remove(later);
    PseudoTerminal line;
    std::filesystem::create_symlink(line.Path(), later);
    EXPECT_EQ(console::PortToolTip(QString::fromStdString(later)).toStdString(),
              "Устройство " + later + " есть в системе.");
}

}  // namespace
}  // namespace apptest

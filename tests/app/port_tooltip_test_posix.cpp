// On Linux a COM name of the port box stands for a device of another name: the tooltip names
// that device (COM4 is /dev/ttyS3), as Start would open it. Windows' COM names are the devices
// themselves (shown_text_test.cpp covers what both share).

#include <gtest/gtest.h>

#include <filesystem>

#include "console/window/port_tooltip.h"

namespace apptest {
namespace {

TEST(PortToolTip, NamesTheDeviceACOMNameStandsFor) {
    const bool there = std::filesystem::exists("/dev/ttyS3");
    EXPECT_EQ(console::PortToolTip("COM4").toStdString(),
              there ? "COM4 — это устройство /dev/ttyS3, оно есть в системе."
                    : "COM4 — это устройство /dev/ttyS3, его сейчас нет в системе.");
}

}  // namespace
}  // namespace apptest

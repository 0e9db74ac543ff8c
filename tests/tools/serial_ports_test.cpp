// The port listing against a sysfs tree made here as the kernel lays one out (an 8250 UART
// behind the serial core's own devices, an empty UART slot, a USB serial adapter, a USB modem
// port, virtual terminals), and against this machine with a pseudo-terminal open.

#include "tools/ports/serial_ports.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/tools/sim_process.h"
#include "tools/pty/pty_pair.h"

namespace {

namespace fs = std::filesystem;

// A fake sysfs and /dev under a temporary folder.
class FakeTree {
  public:
    FakeTree() : sys_(fs::path(dir_.Path()) / "sys"), dev_(fs::path(dir_.Path()) / "dev") {
        fs::create_directories(sys_ / "class/tty");
        fs::create_directories(dev_);
    }
    ports::Roots Roots() const { return {sys_, dev_}; }

    // A device folder under sys/devices with these attributes.
    fs::path Device(const std::string& path,
                    std::initializer_list<std::pair<const char*, const char*>> attributes = {}) {
        const fs::path at = sys_ / "devices" / path;
        fs::create_directories(at);
        for (const auto& [name, value] : attributes) std::ofstream(at / name) << value << '\n';
        return at;
    }
    // Its driver and bus, as links into sys/bus.
    void Bound(const fs::path& device, const std::string& bus, const std::string& driver) {
        fs::create_directories(sys_ / "bus" / bus / "drivers" / driver);
        Link(device / "subsystem", sys_ / "bus" / bus);
        Link(device / "driver", sys_ / "bus" / bus / "drivers" / driver);
    }
    // A tty under its device (none: a virtual one), listed in sys/class/tty.
    void Tty(const std::string& name, const fs::path& device,
             std::initializer_list<std::pair<const char*, const char*>> attributes = {}) {
        const fs::path parent = device.empty() ? sys_ / "devices/virtual" : device;
        const fs::path tty = parent / "tty" / name;
        fs::create_directories(tty);
        for (const auto& [attribute, value] : attributes) std::ofstream(tty / attribute) << value;
        if (!device.empty()) Link(tty / "device", device);
        Link(sys_ / "class/tty" / name, tty);
    }
    void ById(const std::string& name, const std::string& tty) {
        fs::create_directories(dev_ / "serial/by-id");
        Link(dev_ / "serial/by-id" / name, dev_ / tty);
    }

  private:
    // Relative, as sysfs and udev make them.
    static void Link(const fs::path& at, const fs::path& to) {
        fs::create_directory_symlink(to.lexically_relative(at.parent_path()), at);
    }

    simtest::TempDir dir_;
    fs::path sys_;
    fs::path dev_;
};

const ports::SerialPort* Find(const std::vector<ports::SerialPort>& found,
                              const std::string& name) {
    const auto it = std::find_if(found.begin(), found.end(),
                                 [&](const ports::SerialPort& p) { return p.name == name; });
    return it == found.end() ? nullptr : &*it;
}

TEST(SerialPorts, ListsTheDevicesWithHardwareWithTheirDriversAndAdapters) {
    FakeTree tree;
    // Newer kernels put the serial core's controller and port devices between the UART's
    // driver and its tty; those drivers are not the one to name.
    for (const auto& [pnp, name] :
         {std::pair{"00:01", "ttyS0"}, {"00:02", "ttyS2"}, {"00:03", "ttyS10"}}) {
        const fs::path uart = tree.Device(std::string("pnp0/") + pnp);
        tree.Bound(uart, "pnp", "serial");
        const fs::path ctrl = tree.Device(std::string("pnp0/") + pnp + "/" + pnp + ":0");
        tree.Bound(ctrl, "serial-base", "ctrl");
        const fs::path port =
            tree.Device(std::string("pnp0/") + pnp + "/" + pnp + ":0/" + pnp + ":0.0");
        tree.Bound(port, "serial-base", "port");
        tree.Tty(name, port, {{"type", "4\n"}});
    }
    const fs::path slots = tree.Device("platform/serial8250");
    tree.Bound(slots, "platform", "serial8250");
    tree.Tty("ttyS1", slots, {{"type", "0\n"}});  // no UART in this slot

    const std::string usb = "pci0000:00/0000:00:14.0/usb1/";
    tree.Device(usb + "1-2", {{"idVendor", "0403"},
                              {"idProduct", "6001"},
                              {"product", "FT232R USB UART"},
                              // as a device may name itself: escape sequences, C0 and C1
                              {"manufacturer",
                               "FTDI\x1b]0;x\x07\xc2\x9b"
                               "2J \xff Gerät"},
                              {"serial", "A12345"}});
    tree.Bound(tree.Device(usb + "1-2/1-2:1.0"), "usb", "ftdi_sio");
    const fs::path adapter = tree.Device(usb + "1-2/1-2:1.0/ttyUSB0");
    tree.Bound(adapter, "usb-serial", "ftdi_sio");
    tree.Tty("ttyUSB0", adapter);
    tree.ById("usb-FTDI_FT232R_USB_UART_A12345-if00-port0", "ttyUSB0");

    tree.Device(usb + "1-3", {{"idVendor", "2341"}, {"idProduct", "0043"}});  // names nothing
    const fs::path modem = tree.Device(usb + "1-3/1-3:1.0");
    tree.Bound(modem, "usb", "cdc_acm");
    tree.Tty("ttyACM0", modem);

    for (const char* name : {"tty", "tty1", "console", "ptmx"}) tree.Tty(name, {});

    const auto found = ports::ListSerialPorts(tree.Roots());
    std::vector<std::string> names;
    for (const ports::SerialPort& port : found) names.push_back(port.name);
    EXPECT_EQ(names, (std::vector<std::string>{"ttyACM0", "ttyS0", "ttyS2", "ttyS10", "ttyUSB0"}));

    const fs::path dev = tree.Roots().dev;
    const ports::SerialPort* uart = Find(found, "ttyS0");
    ASSERT_NE(uart, nullptr);
    EXPECT_EQ(uart->device, dev / "ttyS0");
    EXPECT_EQ(uart->driver, "serial");
    EXPECT_EQ(uart->consoleName, "COM1");
    EXPECT_FALSE(uart->usb.has_value());
    EXPECT_TRUE(uart->byId.empty());

    const ports::SerialPort* ftdi = Find(found, "ttyUSB0");
    ASSERT_NE(ftdi, nullptr);
    EXPECT_EQ(ftdi->driver, "ftdi_sio");
    EXPECT_EQ(ftdi->consoleName, "");
    ASSERT_TRUE(ftdi->usb.has_value());
    EXPECT_EQ(ftdi->usb->vendorId + ":" + ftdi->usb->productId, "0403:6001");
    EXPECT_EQ(ftdi->usb->product, "FT232R USB UART");
    EXPECT_EQ(
        ftdi->byId,
        (std::vector<fs::path>{dev / "serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0"}));

    const ports::SerialPort* acm = Find(found, "ttyACM0");
    ASSERT_NE(acm, nullptr);
    EXPECT_EQ(acm->driver, "cdc_acm");
    ASSERT_TRUE(acm->usb.has_value());
    EXPECT_EQ(acm->usb->vendorId + ":" + acm->usb->productId, "2341:0043");
    EXPECT_EQ(acm->usb->product, "");

    const std::string text = ports::ListingText(found, tree.Roots());
    EXPECT_NE(text.find((dev / "ttyS0").string() + " COM1 in the console; driver serial\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("driver ftdi_sio; USB 0403:6001 \"FT232R USB UART\" by FTDI?]0;x??2J ? "
                        "Gerät, serial number A12345\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("driver cdc_acm; USB 2341:0043\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  " + (dev / "serial/by-id/").string()), std::string::npos) << text;
}

TEST(SerialPorts, SaysSoWhenThereAreNone) {
    FakeTree tree;
    const auto found = ports::ListSerialPorts(tree.Roots());
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(
        ports::ListingText(found, tree.Roots())
            .rfind("No serial devices found in " + (tree.Roots().sys / "class/tty").string(), 0),
        0u);
}

// A pseudo-terminal has no hardware behind it and is not listed: the simulated controller
// names its own.
TEST(SerialPorts, PseudoTerminalsAreNotListed) {
    tty::PtyPair pty;
    for (const ports::SerialPort& port : ports::ListSerialPorts()) {
        EXPECT_NE(port.device, fs::path(pty.Path())) << port.name;
        EXPECT_EQ(port.device.parent_path(), fs::path("/dev")) << port.name;
    }
}

}  // namespace

// Opening devices by port name: the name rule, exclusivity, and what counts as a serial port.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "pty.h"
#include "serial/device.h"
#include "serial/device_posix.h"

namespace serial {
namespace {

using testing::Pty;

TEST(PlatformDevicePath, MapsPortNames) {
    struct Case {
        const char* name;
        const char* path;
    };
    const Case cases[] = {
        {"//./COM1", "/dev/ttyS0"},
        {"//./COM7", "/dev/ttyS6"},
        {"//./com12", "/dev/ttyS11"},
        {"\\\\.\\CoM3", "/dev/ttyS2"},
        {"COM2", "/dev/ttyS1"},
        {"//./ttyUSB0", "/dev/ttyUSB0"},
        {"//./ttyACM1", "/dev/ttyACM1"},
        {"//./COM0", "/dev/COM0"},    // no COM0 on the platform the names come from
        {"//./COM01", "/dev/COM01"},  // nor a leading zero
        {"//./COMX", "/dev/COMX"},
        {"//.//dev/pts/3", "/dev/pts/3"},
        {"//./pts/3", "pts/3"},  // holds "/": taken as the path it is
        {"/tmp/port", "/tmp/port"},
        {"//./", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(PlatformDevicePath(c.name), c.path) << c.name;
}

TEST(PosixDeviceOpen, OpensAPseudoTerminalAsACharacterDevice) {
    Pty pty;
    auto device = OpenPlatformDevice("//./" + pty.Path());
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->IsCharacterDevice());
}

TEST(PosixDeviceOpen, RefusesASecondOpenerInThisProcessUntilTheFirstCloses) {
    Pty pty;
    auto first = OpenPlatformDevice(pty.Path());
    ASSERT_TRUE(first);
    EXPECT_FALSE(OpenPlatformDevice(pty.Path()));
    first.reset();
    EXPECT_TRUE(OpenPlatformDevice(pty.Path()));
}

TEST(PosixDeviceOpen, RefusesAnOpenerInAnotherProcess) {
    Pty pty;
    auto first = OpenPlatformDevice(pty.Path());
    ASSERT_TRUE(first);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The child's copy of the first descriptor must not count as its own opening.
        first.reset();
        _exit(OpenPlatformDevice(pty.Path()) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other process opened a port already in use";
}

TEST(PosixDeviceOpen, FailsForMissingDevicesAndEmptyNames) {
    EXPECT_FALSE(OpenPlatformDevice("//./COM250"));
    EXPECT_FALSE(OpenPlatformDevice("//./no-such-tty"));
    EXPECT_FALSE(OpenPlatformDevice("//./"));
    EXPECT_FALSE(OpenPlatformDevice(""));
}

TEST(PosixDeviceOpen, FilesAndDirectoriesAreNotCharacterDevices) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("dravik-open-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const auto file = dir / "port";
    std::ofstream(file) << "not a port";

    for (const auto& path : {file, dir}) {
        auto device = OpenPlatformDevice("//./" + path.string());
        ASSERT_TRUE(device) << path;
        EXPECT_FALSE(device->IsCharacterDevice()) << path;
    }
    std::filesystem::remove_all(dir);
}

TEST(PosixDeviceOpen, ACharacterDeviceThatIsNoTerminalRefusesSettings) {
    auto device = OpenPlatformDevice("//.//dev/null");
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->IsCharacterDevice());
    Dcb dcb;
    EXPECT_FALSE(device->GetCommState(dcb));
    EXPECT_FALSE(device->SetCommState(Dcb{}));
}

}  // namespace
}  // namespace serial

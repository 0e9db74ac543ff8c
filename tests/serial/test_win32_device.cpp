// The Windows device layer away from any serial port: how transfer results map, and what
// opening refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "pump.h"
#include "serial/comm32.h"
#include "serial/device.h"
#include "serial/device_win32.h"

namespace serial::test {
namespace {

namespace fs = std::filesystem;

// Win32 error numbers, spelled out: the platform's header would turn the device layer's
// names into macros.
constexpr int kInvalidFunction = 1;
constexpr int kInvalidHandle = 6;
constexpr int kGenFailure = 31;
constexpr int kNotSupported = 50;
constexpr int kOperationAborted = 995;
constexpr int kIoPending = 997;
constexpr int kTimeout = 1460;

TEST(Win32Device, TransferResultsMapOntoTheDeviceLayer) {
    struct Case {
        const char* name;
        bool ok;
        int error;
        uint32_t count;
        IoStatus status;
        uint32_t expectCount;
    };
    const Case cases[] = {
        {"done", true, 0, 5, IoStatus::Done, 5},
        {"done empty", true, 0, 0, IoStatus::Done, 0},
        // A transfer ended by its total time-out is a completion with what it moved.
        {"timed out empty", false, kTimeout, 0, IoStatus::Done, 0},
        {"timed out short", false, kTimeout, 7, IoStatus::Done, 7},
        {"invalid handle", false, kInvalidHandle, 0, IoStatus::InvalidHandle, 0},
        {"aborted", false, kOperationAborted, 3, IoStatus::Failed, 0},
        {"device failure", false, kGenFailure, 0, IoStatus::Failed, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const IoResult r = TransferEnded(c.ok, c.error, c.count);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.count, c.expectCount);
        EXPECT_EQ(r.error, c.status == IoStatus::Done ? 0 : c.error);
    }
}

TEST(Win32Device, OnlyUnsupportedMeansNoLineEvents) {
    EXPECT_TRUE(CannotWaitForLineEvents(kNotSupported));
    EXPECT_TRUE(CannotWaitForLineEvents(kInvalidFunction));
    for (int error : {0, kInvalidHandle, kGenFailure, kOperationAborted, kIoPending, kTimeout})
        EXPECT_FALSE(CannotWaitForLineEvents(error)) << error;
}

class Win32OpenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        file =
            fs::temp_directory_path() /
            ("dravik_win32_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".bin");
        std::ofstream(file) << "not a port";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove(file, ignored);
    }
    fs::path file;
};

TEST_F(Win32OpenTest, AMissingPortCannotBeOpened) {
    EXPECT_EQ(OpenPlatformDevice("//./COM250"), nullptr);
    TComm32 comm;
    comm.PortName = "//./COM250";
    EXPECT_EQ(MessageOf([&] { comm.OpenPort(); }), kCannotOpenPort);
    EXPECT_FALSE(comm.PortOpen());
}

TEST_F(Win32OpenTest, AFileIsNotACommPortAndIsLetGo) {
    auto device = OpenPlatformDevice(file.string());
    ASSERT_NE(device, nullptr);
    EXPECT_FALSE(device->IsCharacterDevice());
    // Unshared: a second opening is refused while the first holds it.
    EXPECT_EQ(OpenPlatformDevice(file.string()), nullptr);
    device.reset();

    TComm32 comm;
    comm.PortName = file.string();
    EXPECT_EQ(MessageOf([&] { comm.OpenPort(); }), kNotACommPort);
    EXPECT_FALSE(comm.PortOpen());
    // The refused handle was closed: the file opens again.
    EXPECT_NE(OpenPlatformDevice(file.string()), nullptr);
}

}  // namespace
}  // namespace serial::test

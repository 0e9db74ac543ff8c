#include "console/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "console/profile_file.h"

namespace console {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class SettingsFile : public ::testing::Test {
  protected:
    fs::path dir;
    fs::path file;

    void SetUp() override {
        std::random_device seed;
        dir = fs::temp_directory_path() /
              ("dravik-settings-" + std::to_string(seed()) + "-" + std::to_string(seed()));
        fs::create_directories(dir);
        file = dir / "dravik.ini";
    }
    void TearDown() override { fs::remove_all(dir); }

    void Put(const std::string& content) { std::ofstream(file, std::ios::binary) << content; }
    std::string Get() const {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Every entry of the directory but the settings file: temporaries must not be left.
    std::vector<std::string> Strays() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path() != file) names.push_back(entry.path().filename().string());
        }
        return names;
    }
};

TEST_F(SettingsFile, DefaultsWithoutAFile) {
    const Settings settings = ReadSettings(file);
    EXPECT_EQ(settings.Port, "COM4");
    EXPECT_EQ(settings.Speed, 0);
    EXPECT_TRUE(settings.FiveByte);
    EXPECT_FALSE(fs::exists(file));  // reading creates nothing
}

TEST_F(SettingsFile, WritesANewFile) {
    WriteSettings(file, Settings{});
    // The platform's line break: CRLF on Windows, where other programs read the file too.
    const std::string br(kNewFileLineBreak);
    EXPECT_EQ(Get(), "[Main]" + br + "Port=COM4" + br + "Speed=0" + br + "5byte=1" + br);
    EXPECT_TRUE(Strays().empty());
}

TEST_F(SettingsFile, ValuesAsStored) {
    struct Case {
        const char* Body;  // lines below [Main]
        std::string Port;
        int32_t Speed;
        bool FiveByte;
    };
    const Case cases[] = {
        {"Speed=3\n", "COM4", 3, true},
        {"Speed=0x3\n", "COM4", 3, true},
        {"Speed=$3\n", "COM4", 3, true},
        {"Speed=7\n", "COM4", 7, true},
        {"Speed=-1\n", "COM4", -1, true},
        {"Speed=abc\n", "COM4", 0, true},
        {"Speed=\n", "COM4", 0, true},
        {"Speed=3 apples\n", "COM4", 0, true},
        {"5byte=0\n", "COM4", 0, false},
        {"5byte=2\n", "COM4", 0, true},
        {"5byte=no\n", "COM4", 0, true},
        {"5byte=0x0\n", "COM4", 0, false},
        {"Port=COM12\n", "COM12", 0, true},
        {"Port=\n", "", 0, true},
        {"Port=/dev/ttyUSB0\n", "/dev/ttyUSB0", 0, true},
        // Parsing details: case, blanks, quotes, comments, CRLF, first key wins.
        {"port = COM7 \nSPEED\t=\t2\n", "COM7", 2, true},
        {"Port=\"  COM8 \"\n", "  COM8 ", 0, true},
        {";Port=COM1\n#Speed=4\nPort=COM2\n", "COM2", 0, true},
        {"Port=COM3\r\nSpeed=1\r\n5byte=0\r\n", "COM3", 1, false},
        {"Port=COM5\nPort=COM6\n", "COM5", 0, true},
        {"Port\nSpeed=4\n", "COM4", 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Body);
        Put(std::string("[Other]\nPort=COM9\nSpeed=4\n[ main ]\n") + c.Body + "[Last]\n5byte=0\n");
        const Settings settings = ReadSettings(file);
        EXPECT_EQ(settings.Port, c.Port);
        EXPECT_EQ(settings.Speed, c.Speed);
        EXPECT_EQ(settings.FiveByte, c.FiveByte);
    }
}

TEST_F(SettingsFile, RoundTrip) {
    const Settings cases[] = {
        {"COM12", 3, false},          {"", -1, true},
        {" spaced port ", 4, false},  {"\"quoted\"", 7, true},
        {"Порт ; # = [x]", 2, false},
    };
    for (const Settings& written : cases) {
        SCOPED_TRACE(written.Port);
        WriteSettings(file, written);
        const Settings read = ReadSettings(file);
        EXPECT_EQ(read.Port, written.Port);
        EXPECT_EQ(read.Speed, written.Speed);
        EXPECT_EQ(read.FiveByte, written.FiveByte);
    }
    EXPECT_TRUE(Strays().empty());
}

// A file as it was before the settings were written, and as it must be after.
struct RewriteCase {
    const char* Name;
    std::string Before;
    std::string After;
};

TEST_F(SettingsFile, RewriteLeavesEveryOtherByte) {
    const std::string br(kNewFileLineBreak);  // of a file without a line break of its own
    const RewriteCase cases[] = {
        {"ReplacesInPlace",
         "; settings\n[Other]\nPort=COM9\n\n[Main]\nPort = COM1 "
         "\nSpeed=2\n5byte=0\nExtra=x\n[Tail]\nk=v",
         "; settings\n[Other]\nPort=COM9\n\n[Main]\nPort = "
         "COM4\nSpeed=0\n5byte=1\nExtra=x\n[Tail]\nk=v"},
        {"KeepsCrLf", "[Main]\r\nPort=COM1\r\n[X]\r\na=1\r\n",
         "[Main]\r\nPort=COM4\r\nSpeed=0\r\n5byte=1\r\n[X]\r\na=1\r\n"},
        {"AddsKeysAtSectionEnd", "[main]\nOther=1\n\n[X]\na=1\n",
         "[main]\nOther=1\nPort=COM4\nSpeed=0\n5byte=1\n\n[X]\na=1\n"},
        {"AddsSectionAfterUnterminatedLine", "[X]\na=1",
         "[X]\na=1\n[Main]\nPort=COM4\nSpeed=0\n5byte=1\n"},
        {"SectionWithoutLineBreak", "[Main]",
         "[Main]" + br + "Port=COM4" + br + "Speed=0" + br + "5byte=1" + br},
        {"EmptyFile", "", "[Main]" + br + "Port=COM4" + br + "Speed=0" + br + "5byte=1" + br},
    };
    for (const RewriteCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Put(c.Before);
        WriteSettings(file, Settings{});
        EXPECT_EQ(Get(), c.After);
    }
}

// A lone carriage return ends a line for the reader and the writer alike: a key added behind
// it must not be glued to the line before, whose value would swallow it.
TEST_F(SettingsFile, LoneCarriageReturnsEndLinesForReaderAndWriter) {
    const RewriteCase cases[] = {
        {"CrLfFileEndingInLoneCr", "[Main]\r\nPort=COM1\r",
         "[Main]\r\nPort=COM7\r\nSpeed=2\r\n5byte=0\r\n"},
        {"SectionEndingInLoneCr", "[Main]\r", "[Main]\r\nPort=COM7\r\nSpeed=2\r\n5byte=0\r\n"},
        {"CrOnlyFile", "[Main]\rPort=COM1\r[X]\ra=1\r",
         "[Main]\rPort=COM7\rSpeed=2\r5byte=0\r[X]\ra=1\r"},
    };
    const Settings written{"COM7", 2, false};
    for (const RewriteCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Put(c.Before);
        WriteSettings(file, written);
        EXPECT_EQ(Get(), c.After);
        const Settings read = ReadSettings(file);
        EXPECT_EQ(read.Port, written.Port);
        EXPECT_EQ(read.Speed, written.Speed);
        EXPECT_EQ(read.FiveByte, written.FiveByte);
    }
}

TEST_F(SettingsFile, KeepsPermissionBits) {
    Put("[Main]\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    WriteSettings(file, Settings{});
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(SettingsFile, DirectoryInTheWayFailsTheWrite) {
    fs::create_directory(file);
    try {
        WriteSettings(file, Settings{});
        FAIL() << "the write succeeded";
    } catch (const EWriteError& error) {
        EXPECT_EQ(error.what(), "Unable to write to " + file.string());
    }
    EXPECT_TRUE(fs::is_directory(file));
    EXPECT_TRUE(Strays().empty());
    // Reading through it gives the defaults.
    EXPECT_EQ(ReadSettings(file).Port, "COM4");
}

TEST_F(SettingsFile, MissingDirectoryFailsTheWrite) {
    const fs::path nowhere = dir / "missing" / "dravik.ini";
    EXPECT_THROW(WriteSettings(nowhere, Settings{}), EWriteError);
}

TEST_F(SettingsFile, HugeValuesAreBounded) {
    Put("[Main]\nPort=" + std::string(100 * 1024, 'P') + "\nSpeed=2\n");
    const Settings settings = ReadSettings(file);
    EXPECT_EQ(settings.Port, std::string(2047, 'P'));
    EXPECT_EQ(settings.Speed, 2);

    // Never cut inside a character.
    std::string port;
    for (int i = 0; i < 1500; ++i) port += "Ж";
    Put("[Main]\nPort=P" + port + "\n");
    EXPECT_EQ(ReadSettings(file).Port, "P" + port.substr(0, 2046));
}

TEST_F(SettingsFile, HugeAndBinaryFilesReadSafely) {
    // Beyond the read bound: the keys behind it are not seen, and the line the bound cuts
    // does not count.
    std::string big = "[Main]\nSpeed=1\n5byte=0\nPort=";
    big += std::string(kProfileReadLimit, 'x');
    big += "\nSpeed=4\n";
    Put(big);
    Settings settings = ReadSettings(file);
    EXPECT_EQ(settings.Port, "COM4");
    EXPECT_EQ(settings.Speed, 1);
    EXPECT_FALSE(settings.FiveByte);

    std::mt19937 random(7);
    std::string noise(64 * 1024, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    std::replace(noise.begin(), noise.end(), '\r', 'r');  // keep the file's line breaks LF
    Put(noise + "\n[Main]\nPort=CO\0M1\n[Tail]\n"s + noise);
    EXPECT_EQ(ReadSettings(file).Port, "CO");  // a value ends at a NUL

    // A rewrite of a binary file changes only the section's own lines.
    WriteSettings(file, Settings{"COM2", 1, true});
    EXPECT_EQ(Get(), noise + "\n[Main]\nPort=COM2\nSpeed=1\n5byte=1\n[Tail]\n" + noise);
}

TEST_F(SettingsFile, SettingsPathIsBesideTheExecutable) {
    const fs::path path = SettingsPath();
    EXPECT_EQ(path.filename(), "dravik.ini");
    EXPECT_TRUE(path.is_absolute());
    EXPECT_EQ(path.parent_path(), fs::canonical("/proc/self/exe").parent_path());
}

TEST(ProfileText, NamesAndSections) {
    const std::string content = "[A]\nk=1\n[B]\nk=2\n[a]\nj=3\n";
    EXPECT_EQ(FindProfileValue(content, "a", "K"), "1");
    EXPECT_EQ(FindProfileValue(content, "b", "k"), "2");
    EXPECT_EQ(FindProfileValue(content, "A", "j"), "3");  // a repeated section counts too
    EXPECT_EQ(FindProfileValue(content, "C", "k"), std::nullopt);
    EXPECT_EQ(FindProfileValue("k=0\n[A]\n", "A", "k"), std::nullopt);  // before any section
    // A new key goes to the first section of the name.
    EXPECT_EQ(SetProfileValue(content, "A", "n", "v"), "[A]\nk=1\nn=v\n[B]\nk=2\n[a]\nj=3\n");
    // Line breaks in a value cannot make new lines.
    const std::string br(kNewFileLineBreak);
    EXPECT_EQ(SetProfileValue("", "A", "k", "x\n[B]\ny=1"), "[A]" + br + "k=x" + br);
}

}  // namespace
}  // namespace console

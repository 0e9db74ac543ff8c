// The tree `cmake --install` makes and the one the portable package unpacks into.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/install/icon_files.h"
#include "tests/install/run_command.h"

namespace fs = std::filesystem;
using install_test::Stage;

namespace {

constexpr std::array kIconSizes = {16, 24, 32, 48, 256};

std::vector<std::string> ExpectedFiles() {
    std::vector<std::string> files = {"share/applications/dravik.desktop",
                                      "share/dravik/dravik.ico"};
    for (int n : kIconSizes) {
        files.push_back("share/icons/hicolor/" + std::to_string(n) + "x" + std::to_string(n) +
                        "/apps/dravik.png");
    }
    if (DRAVIK_HAS_PROGRAM) {
        files.push_back("bin/dravik");
        files.push_back("share/man/man1/dravik.1.gz");
    }
    if (DRAVIK_HAS_SIMULATOR) {
        files.push_back("bin/controller_sim");
        files.push_back("share/man/man1/controller_sim.1.gz");
    }
    if (DRAVIK_HAS_CHECKER) {
        files.push_back("bin/controller_check");
        files.push_back("share/man/man1/controller_check.1.gz");
    }
    if (DRAVIK_HAS_TAP) {
        files.push_back("bin/controller_tap");
        files.push_back("share/man/man1/controller_tap.1.gz");
    }
    return files;
}

std::set<std::string> FilesUnder(const fs::path& root) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_directory()) files.insert(fs::relative(entry.path(), root).generic_string());
    }
    return files;
}

// The keys of the [Desktop Entry] group.
std::map<std::string, std::string> DesktopKeys(const std::string& text) {
    std::map<std::string, std::string> keys;
    std::istringstream lines(text);
    std::string line;
    bool in_entry = false;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            in_entry = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (in_entry && equals != std::string::npos)
            keys[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return keys;
}

}  // namespace

TEST(InstalledTree, HoldsTheProgramsTheDesktopEntryAndTheIcons) {
    const fs::path prefix = Stage() / "prefix";
    for (const std::string& file : ExpectedFiles()) {
        EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;
    }
    for (const char* program :
         {"bin/dravik", "bin/controller_sim", "bin/controller_tap", "bin/controller_check"}) {
        if (!fs::exists(prefix / program)) continue;
        EXPECT_NE(fs::status(prefix / program).permissions() & fs::perms::owner_exec,
                  fs::perms::none)
            << program << " is not executable";
    }
    // The README belongs to the portable folder only, not to /usr or /usr/local.
    EXPECT_FALSE(fs::exists(prefix / "README.txt"));
}

TEST(DesktopEntry, PassesDesktopFileValidate) {
    const fs::path entry = Stage() / "prefix/share/applications/dravik.desktop";
    const auto [status, output] = install_test::RunCommand(
        std::string(DRAVIK_DESKTOP_FILE_VALIDATE) + " " + install_test::ShellQuoted(entry));
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output, "") << "the validator has remarks";
}

TEST(DesktopEntry, StartsTheProgramByNameWithItsIcon) {
    const auto keys =
        DesktopKeys(install_test::ReadText(Stage() / "prefix/share/applications/dravik.desktop"));
    const std::map<std::string, std::string> expected = {
        {"Type", "Application"}, {"Name", "Эмулятор весов"}, {"Exec", "dravik"},
        {"Icon", "dravik"},      {"Terminal", "false"},
    };
    for (const auto& [key, value] : expected) {
        ASSERT_TRUE(keys.count(key)) << key << " is missing";
        EXPECT_EQ(keys.at(key), value) << key;
    }
    ASSERT_TRUE(keys.count("Categories"));
    const std::string categories = ";" + keys.at("Categories");
    EXPECT_TRUE(categories.find(";Development;") != std::string::npos ||
                categories.find(";Utility;") != std::string::npos)
        << categories;
}

TEST(ThemeIcons, EachPngHasItsFoldersSize) {
    for (int n : kIconSizes) {
        const std::string size = std::to_string(n) + "x" + std::to_string(n);
        const auto bytes = install_test::ReadBytes(Stage() / "prefix/share/icons/hicolor" / size /
                                                   "apps/dravik.png");
        const install_test::PngHeader header =
            install_test::ReadPngHeader(bytes.data(), bytes.size());
        EXPECT_EQ(header.width, n) << size;
        EXPECT_EQ(header.height, n) << size;
        EXPECT_EQ(header.bit_depth, 8) << size;
        EXPECT_EQ(header.colour_type, 6) << size << ": not RGBA";
    }
}

TEST(PortablePackage, UnpacksIntoOneFolderWithTheInstalledTreeAndTheReadme) {
    std::vector<fs::path> top;
    for (const auto& entry : fs::directory_iterator(Stage() / "unpacked"))
        top.push_back(entry.path());
    ASSERT_EQ(top.size(), 1u) << "the archive does not unpack into a single folder";
    ASSERT_TRUE(fs::is_directory(top[0]));
    EXPECT_EQ(top[0].filename().string().rfind("dravik-", 0), 0u) << top[0];

    std::set<std::string> expected = FilesUnder(Stage() / "prefix");
    expected.insert("README.txt");
    EXPECT_EQ(FilesUnder(top[0]), expected);
    const std::string readme = install_test::ReadText(top[0] / "README.txt");
    EXPECT_NE(readme.find("dravik.ini"), std::string::npos)
        << "the README does not tell where the settings live";
    for (const std::string& file : expected) {
        if (file.rfind("bin/", 0) == 0) {
            EXPECT_NE(readme.find(file), std::string::npos) << "the README does not list " << file;
        }
    }
}

// The Debian package: the plain install's tree under /usr with the copyright notice Debian
// asks of every package, named as Debian names packages, with its control fields and the
// libraries the programs link against as dependencies.
TEST(DebianPackage, HoldsThePlainInstallUnderUsrWithItsControlFields) {
    if (!DRAVIK_DEBIAN_PACKAGE) GTEST_SKIP() << "no Debian package in this build";
    std::set<std::string> expected;
    for (const std::string& file : FilesUnder(Stage() / "prefix")) expected.insert("usr/" + file);
    expected.insert("usr/share/doc/dravik/copyright");
    EXPECT_EQ(FilesUnder(Stage() / "debian"), expected);

    const auto [archStatus, arch] = install_test::RunCommand("dpkg --print-architecture");
    ASSERT_EQ(archStatus, 0) << arch;
    const fs::path deb = Stage() / "packages" /
                         ("dravik_" DRAVIK_VERSION "_" + arch.substr(0, arch.find('\n')) + ".deb");
    ASSERT_TRUE(fs::is_regular_file(deb)) << deb << " was not made";
    const auto [status, fields] =
        install_test::RunCommand("dpkg-deb -f " + install_test::ShellQuoted(deb) +
                                 " Package Section Maintainer Depends Description");
    ASSERT_EQ(status, 0) << fields;
    // The description names every program the package puts on the PATH.
    for (const std::string& file : expected) {
        if (file.rfind("usr/bin/", 0) == 0) {
            EXPECT_NE(fields.find(fs::path(file).filename().string()), std::string::npos)
                << "the description does not name " << file << ": " << fields;
        }
    }
    EXPECT_NE(fields.find("Package: dravik\n"), std::string::npos) << fields;
    EXPECT_NE(fields.find("Section: electronics\n"), std::string::npos) << fields;
    EXPECT_NE(fields.find("Maintainer: "), std::string::npos) << fields;
    for (const char* library : {"libc6", "libstdc++6", "libqt6widgets6"})
        EXPECT_NE(fields.find(library), std::string::npos) << library << " missing: " << fields;
}

// Lintian, Debian's package checker, reports nothing beyond what the README explains.
TEST(DebianPackage, LintianReportsOnlyTheExplainedTags) {
    if (!DRAVIK_DEBIAN_PACKAGE) GTEST_SKIP() << "no Debian package in this build";
    const std::set<std::string> explained = {
        "no-changelog",  // the history is the repository's, not a Debian changelog
    };
    std::string debs;
    for (const auto& entry : fs::directory_iterator(Stage() / "packages"))
        if (entry.path().extension() == ".deb")
            debs += " " + install_test::ShellQuoted(entry.path());
    const auto [status, output] = install_test::RunCommand(
        std::string(DRAVIK_LINTIAN) + " --fail-on none --tag-display-limit 0" + debs);
    ASSERT_EQ(status, 0) << output;  // 1: lintian could not check
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        // "E: dravik: tag details": errors and warnings, the levels lintian shows by default.
        if (line.size() < 3 || line[1] != ':' || line.rfind("N:", 0) == 0) continue;
        std::istringstream words(line.substr(2));
        std::string package, tag;
        words >> package >> tag;
        EXPECT_TRUE(explained.count(tag)) << "lintian: " << line;
    }
}

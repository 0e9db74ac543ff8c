// Where the installed console keeps its settings, run as an ordinary user would run it, and
// as root: from the Debian package's tree the settings go to the user's configuration
// folder and nothing is written in the tree; from the portable folder they stay beside the
// program. The
// console runs on the offscreen platform and is closed by SIGTERM, which closes its window
// as a logout does. A failed write would show "Unable to write to ..." in a modal box and
// keep the console from ending: such a run fails here as one that did not end.

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/install/icon_files.h"
#include "tests/install/run_command.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Who runs the console: the test's own user, or, when the test runs as root, "nobody".
struct User {
    uid_t Uid;
    gid_t Gid;
};
User OrdinaryUser() {
    if (::geteuid() != 0) return {::geteuid(), ::getegid()};
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr ? User{nobody->pw_uid, nobody->pw_gid} : User{65534, 65534};
}

void GiveTo(const fs::path& tree, User user) {
    if (::geteuid() != 0) return;
    ASSERT_EQ(::lchown(tree.c_str(), user.Uid, user.Gid), 0) << tree;
    if (!fs::is_directory(fs::symlink_status(tree))) return;
    for (const auto& entry : fs::recursive_directory_iterator(tree))
        ASSERT_EQ(::lchown(entry.path().c_str(), user.Uid, user.Gid), 0) << entry.path();
}

// The signals the process catches, from the kernel's account of it.
bool CatchesSigterm(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
            return (caught >> (SIGTERM - 1)) & 1;
        }
    }
    return false;
}

// Runs the program as the user with only the given environment, closes it with SIGTERM once
// it catches that signal, and waits for its end. Empty when it ended with status 0, else
// what went wrong.
std::string RunAndClose(const fs::path& program, User user, const std::vector<std::string>& env,
                        const fs::path& log) {
    std::vector<std::string> strings = env;
    for (const char* pass : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = std::getenv(pass))
            strings.push_back(std::string(pass) + "=" + value);
    std::vector<char*> envp;
    for (std::string& s : strings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string path = program.string();
    char* argv[] = {path.data(), nullptr};
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) return "cannot open " + log.string();
    const bool root = ::geteuid() == 0;

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
        if (root &&
            (::setgroups(0, nullptr) != 0 || ::setgid(user.Gid) != 0 || ::setuid(user.Uid) != 0))
            ::_exit(126);
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    ::close(out);
    if (pid < 0) return "fork failed";

    const auto ended = [pid](std::chrono::milliseconds limit, int& status) {
        for (auto waited = 0ms; waited < limit; waited += 10ms) {
            if (::waitpid(pid, &status, WNOHANG) == pid) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    };
    int status = 0;
    for (auto waited = 0ms; !CatchesSigterm(pid); waited += 10ms) {
        if (::waitpid(pid, &status, WNOHANG) == pid) return "it ended before it could be closed";
        if (waited > 30s) break;
        std::this_thread::sleep_for(10ms);
    }
    ::kill(pid, SIGTERM);
    if (!ended(30s, status)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return "it did not end after SIGTERM: a message box may be up";
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "it ended with wait status " + std::to_string(status);
    return {};
}

class InstalledConsole : public ::testing::Test {
  protected:
    fs::path scratch;

    // Under the temporary folder, which every user can reach, unlike perhaps the build.
    void SetUp() override {
        std::string name = (fs::temp_directory_path() / "dravik-install-XXXXXX").string();
        ASSERT_NE(::mkdtemp(name.data()), nullptr);
        scratch = name;
        fs::permissions(scratch,
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    }
    void TearDown() override {
        // The package's folders were made unwritable; their owner lets them go again.
        std::error_code error;
        for (const auto& entry : fs::recursive_directory_iterator(scratch, error))
            if (entry.is_directory())
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(scratch, error);
    }
};

// Every path under the tree, sorted.
std::vector<std::string> Listing(const fs::path& tree) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(tree))
        paths.push_back(fs::relative(entry.path(), tree).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string ReadOr(const fs::path& file, const char* missing) {
    return fs::exists(file) ? install_test::ReadText(file) : missing;
}

TEST_F(InstalledConsole, KeepsItsSettingsWhereItsUserMayWrite) {
    const std::string defaults = "[Main]\nPort=COM4\nSpeed=0\n5byte=1\n";
    const std::string administrators = "[Main]\nPort=COM9\nSpeed=3\n5byte=0\n";
    struct Case {
        const char* Name;
        bool Debian;              // the Debian package's tree, else the portable folder
        bool ConfigHome;          // XDG_CONFIG_HOME set to <home>/elsewhere
        bool AdministratorsFile;  // a dravik.ini beside the program before the first start
        const char* Settings;     // where the settings are to be, under the run's folder
        std::string Expected;
        bool Root = false;  // run as root, who may write anywhere, and still not there
    };
    const Case cases[] = {
        {"package, HOME", true, false, true, "home/.config/dravik/dravik.ini", administrators},
        {"package, XDG_CONFIG_HOME", true, true, false, "home/elsewhere/dravik/dravik.ini",
         defaults},
        {"package, root", true, false, false, "home/.config/dravik/dravik.ini", defaults, true},
        {"portable folder", false, false, false, "tree/bin/dravik.ini", defaults},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.Debian && !DRAVIK_DEBIAN_PACKAGE) continue;
        if (c.Root && ::geteuid() != 0) continue;
        const User user = c.Root ? User{0, 0} : OrdinaryUser();
        const fs::path run = scratch / std::to_string(&c - cases);
        const fs::path home = run / "home";
        fs::create_directories(home);
        GiveTo(home, user);
        const fs::path tree = run / "tree";
        fs::path program;
        if (c.Debian) {
            fs::copy(install_test::Stage() / "debian", tree, fs::copy_options::recursive);
            program = tree / "usr/bin/dravik";
        } else {
            fs::path portable;
            for (const auto& entry : fs::directory_iterator(install_test::Stage() / "unpacked"))
                portable = entry.path();
            fs::copy(portable, tree, fs::copy_options::recursive);
            GiveTo(tree, user);
            program = tree / "bin/dravik";
        }
        if (c.AdministratorsFile)
            std::ofstream(program.parent_path() / "dravik.ini") << administrators;
        // As in a system-wide install, where the user may not write beside the program.
        if (c.Debian)
            fs::permissions(program.parent_path(), fs::perms::owner_write,
                            fs::perm_options::remove);

        const std::vector<std::string> installed = Listing(tree);

        std::vector<std::string> env = {"HOME=" + home.string(), "QT_QPA_PLATFORM=offscreen",
                                        "PATH=/usr/bin:/bin"};
        if (c.ConfigHome) env.push_back("XDG_CONFIG_HOME=" + (home / "elsewhere").string());
        const std::string failure = RunAndClose(program, user, env, run / "console.log");
        EXPECT_EQ(failure, "") << ReadOr(run / "console.log", "");

        EXPECT_EQ(ReadOr(run / c.Settings, "(missing)"), c.Expected);
        // The package manager owns the installed tree: nothing of the run may outlive it there.
        if (c.Debian) {
            EXPECT_EQ(Listing(tree), installed);
        }
        // Nowhere else: not beside the program unless that is the place, not in the home.
        const fs::path beside = program.parent_path() / "dravik.ini";
        if (beside != run / c.Settings) {
            EXPECT_EQ(ReadOr(beside, "(missing)"),
                      c.AdministratorsFile ? administrators : "(missing)");
        }
        for (const char* other : {"home/.config/dravik", "home/elsewhere/dravik"}) {
            if (!(run / c.Settings).string().starts_with((run / other).string())) {
                EXPECT_FALSE(fs::exists(run / other)) << other;
            }
        }
    }
}

}  // namespace

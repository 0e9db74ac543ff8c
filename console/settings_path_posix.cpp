// Where the settings live, POSIX side. Unlike Windows, the system does not redirect a
// program's writes beside itself in a protected folder to a per-user store, so the console
// does it here: when it may not write beside its executable, or the executable lies in the
// system's tree (which the package manager owns, so that a file left there would outlive
// the package), its settings go to the user's configuration folder, root's included. This is
// the one place the console reads environment variables.

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <system_error>

#include "console/settings_file.h"

namespace console {

namespace {

namespace fs = std::filesystem;

// The user's configuration folder: $XDG_CONFIG_HOME when it names an absolute path, else
// ".config" in the home folder ($HOME, else the account's).
fs::path ConfigHome() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return config;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* account = ::getpwuid(::geteuid());
        home = account != nullptr ? account->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') return {};
    return fs::path(home) / ".config";
}

// Anything under /usr (/usr/bin, /usr/local/bin), and a package's tree wherever it was
// unpacked (dpkg --instdir, a staging folder): a folder bin in a folder usr or usr/local.
// A portable folder or a build folder is neither.
bool InSystemTree(const fs::path& folder) {
    if (folder.is_absolute()) {
        const auto first = std::next(folder.begin());  // the component after the root
        if (first != folder.end() && *first == "usr") return true;
    }
    if (folder.filename() != "bin") return false;
    const fs::path above = folder.parent_path();
    return above.filename() == "usr" ||
           (above.filename() == "local" && above.parent_path().filename() == "usr");
}

}  // namespace

fs::path ExecutablePath() {
    std::error_code error;
    fs::path path = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : path;
}

fs::path UserSettingsFolder() {
    // Creating and renaming files is what the atomic write needs of the folder.
    const fs::path beside = ExecutablePath().parent_path();
    if (!beside.empty() && !InSystemTree(beside) &&
        ::faccessat(AT_FDCWD, beside.c_str(), W_OK | X_OK, AT_EACCESS) == 0)
        return {};
    const fs::path config = ConfigHome();
    return config.empty() ? fs::path() : config / "dravik";
}

}  // namespace console

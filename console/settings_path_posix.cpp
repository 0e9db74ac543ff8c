// Where the running program's executable is, POSIX side: the kernel's link to it.

#include <system_error>

#include "console/settings_file.h"

namespace console {

std::filesystem::path ExecutablePath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}

}  // namespace console

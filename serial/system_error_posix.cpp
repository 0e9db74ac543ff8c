// System error codes on POSIX: errno values, their texts from the C library, and the owner
// group of a device node.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "system_error.h"

namespace serial {

namespace {

// strerror_r comes in two forms: the GNU one returns the text, the XSI one fills the buffer.
[[maybe_unused]] const char* TextOf(const char* gnu, const char*) {
    return gnu;
}
[[maybe_unused]] const char* TextOf(int xsi, const char* buffer) {
    return xsi == 0 ? buffer : "";
}

}  // namespace

std::span<const SystemCauseRow> PlatformCauses() {
    using C = SystemCause;
    static constexpr SystemCauseRow kRows[] = {
        {{ENOENT, ENOTDIR}, C::NotFound, C::NotFound},
        {{EACCES, EPERM, EROFS}, C::NoPermission, C::NoPermission},
        // An exclusive terminal another program holds, and the lock another opener took.
        {{EBUSY}, C::Busy, C::Busy},
        {{EWOULDBLOCK}, C::Busy, C::Other},
        // A /dev node without its hardware while opening; a vanished device on an open line.
        {{EIO, ENXIO, ENODEV}, C::NotFound, C::Gone},
    };
    return kRows;
}

std::string PlatformErrorText(int systemError) {
    char buffer[256] = {};
    return TextOf(strerror_r(systemError, buffer, sizeof buffer), buffer);
}

std::string DeviceGroup(const std::string& devicePath) {
    struct stat st {};
    if (devicePath.empty() || stat(devicePath.c_str(), &st) != 0) return {};
    const long hint = sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<size_t>(hint) : 4096);
    group entry{};
    group* found = nullptr;
    int rc;
    while ((rc = getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (size_t{1} << 20))
        buffer.resize(buffer.size() * 2);
    return rc == 0 && found ? found->gr_name : "";
}

int LastSystemError() {
    return errno;
}

void SetLastSystemError(int systemError) {
    errno = systemError;
}

int SystemErrorOf(const std::error_code& code) {
    // Both categories hold errno values here.
    const bool errnoValue =
        code.category() == std::generic_category() || code.category() == std::system_category();
    return errnoValue ? code.value() : 0;
}

}  // namespace serial

// Durable replacement of a file's contents, POSIX side.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "console/profile_file.h"

namespace console {

const std::string_view kNewFileLineBreak = "\n";

namespace {

namespace fs = std::filesystem;

bool WriteAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        contents.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// Opens a fresh file beside the target; the umask applies to a file that is new.
int CreateTemporary(const fs::path& target, fs::path& temporary) {
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target;
        temporary += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

bool ReplaceFileContents(const fs::path& file, std::string_view contents) {
    // A link is followed, so that the file it names is the one rewritten.
    std::error_code error;
    fs::path target = file;
    if (fs::is_symlink(fs::symlink_status(file, error))) {
        const fs::path resolved = fs::weakly_canonical(file, error);
        if (!error) target = resolved;
    }
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) return false;

    fs::path temporary;
    const int fd = CreateTemporary(target, temporary);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, contents);
    if (ok && existed) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the directory.
    fs::path directory = target.parent_path();
    if (directory.empty()) directory = ".";
    const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace console

#include "libserialport_stand_in.h"

#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>

namespace bench {

namespace {

std::atomic<bool> privateMounts{false};
std::atomic<bool> answerModemLines{false};
std::atomic<int> modemLines{TIOCM_DTR | TIOCM_RTS};

constexpr unsigned kPtySlaveFirstMajor = 136, kPtySlaveLastMajor = 143;

bool IsPseudoTerminal(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= kPtySlaveFirstMajor &&
           major(st.st_rdev) <= kPtySlaveLastMajor;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

}  // namespace

bool EnterPrivateMounts() {
    if (unshare(CLONE_NEWNS) != 0) return false;
    // Without this the namespace may still share its mounts with the machine's.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    privateMounts = true;
    return true;
}

SerialNameStandIn::SerialNameStandIn(const std::string& terminal) {
    if (!privateMounts) return;
    for (int n = 0; n < 32 && path_.empty(); ++n) {
        const std::string name = "ttyS" + std::to_string(n);
        const std::string node = "/dev/" + name;
        if (!Exists(node) || !Exists("/sys/class/tty/" + name)) continue;
        if (mount(terminal.c_str(), node.c_str(), nullptr, MS_BIND, nullptr) == 0) path_ = node;
    }
    if (!path_.empty()) answerModemLines = true;
}

SerialNameStandIn::~SerialNameStandIn() {
    if (path_.empty()) return;
    answerModemLines = false;
    umount2(path_.c_str(), MNT_DETACH);
}

}  // namespace bench

// The process's ioctl: modem-line requests on a pseudo-terminal are answered from a stored
// set of lines while a stand-in is in place; everything else goes to the kernel unchanged.
extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    const bool modemRequest =
        request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
    if (modemRequest && bench::answerModemLines && bench::IsPseudoTerminal(fd)) {
        int* lines = static_cast<int*>(argument);
        if (request == TIOCMGET)
            *lines = bench::modemLines;
        else if (request == TIOCMSET)
            bench::modemLines = *lines;
        else if (request == TIOCMBIS)
            bench::modemLines |= *lines;
        else
            bench::modemLines &= ~*lines;
        return 0;
    }
    return static_cast<int>(syscall(SYS_ioctl, fd, request, argument));
}

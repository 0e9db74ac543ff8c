#include "tools/pty/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

namespace tty {
namespace {

// Adds a flag to those a descriptor has: get/set are F_GETFD/F_SETFD or F_GETFL/F_SETFL.
bool AddFlag(int fd, int get, int set, int flag) {
    const int flags = ::fcntl(fd, get);
    return flags >= 0 && ::fcntl(fd, set, flags | flag) == 0;
}

bool MakeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

PtyPair::PtyPair(unsigned options) {
    if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
        throw std::system_error(errno, std::generic_category(), "openpty");
    }
    char name[128];
    bool ready = AddFlag(master_, F_GETFD, F_SETFD, FD_CLOEXEC) &&
                 AddFlag(slave_, F_GETFD, F_SETFD, FD_CLOEXEC) &&
                 ::ptsname_r(master_, name, sizeof name) == 0;
    if (ready && (options & kNonBlocking)) {
        ready = AddFlag(master_, F_GETFL, F_SETFL, O_NONBLOCK) &&
                AddFlag(slave_, F_GETFL, F_SETFL, O_NONBLOCK);
    }
    if (ready && (options & kRawSlave)) ready = MakeRaw(slave_);
    if (!ready) {
        const int error = errno;
        ::close(slave_);
        ::close(master_);
        throw std::system_error(error, std::generic_category(), "pseudo-terminal setup");
    }
    path_ = name;
    if (!(options & kKeepSlave)) ::close(ReleaseSlave());
}

PtyPair::~PtyPair() {
    if (slave_ >= 0) ::close(slave_);
    CloseMaster();
}

void PtyPair::CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

int PtyPair::ReleaseMaster() {
    return std::exchange(master_, -1);
}

int PtyPair::ReleaseSlave() {
    return std::exchange(slave_, -1);
}

bool PtyPair::Write(const void* data, size_t n) const {
    const auto* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        const ssize_t w = ::write(master_, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

std::vector<uint8_t> PtyPair::Read(size_t n, std::chrono::milliseconds timeout) const {
    std::vector<uint8_t> out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        uint8_t buf[65536];
        const ssize_t r = ::read(master_, buf, std::min(sizeof buf, n - out.size()));
        if (r <= 0) break;  // the port hung up
        out.insert(out.end(), buf, buf + r);
    }
    return out;
}

}  // namespace tty

#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace bench {

PtyPair::PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        if (master_ >= 0) close(master_);
        throw std::runtime_error("no pseudo-terminal");
    }
    path_ = name;
}

PtyPair::~PtyPair() {
    close(master_);
}

bool PtyPair::Write(const void* data, size_t n) const {
    const auto* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        const ssize_t w = write(master_, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

void PtyPair::Drain(int quietMs) const {
    uint8_t buf[65536];
    pollfd p{master_, POLLIN, 0};
    while (poll(&p, 1, quietMs) > 0 && read(master_, buf, sizeof buf) > 0) {
    }
}

}  // namespace bench

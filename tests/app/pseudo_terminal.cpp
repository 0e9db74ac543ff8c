#include "pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <stdexcept>

namespace apptest {

PseudoTerminal::PseudoTerminal(bool holdSlave) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
        throw std::runtime_error("no pseudo-terminal");
    slavePath_ = ptsname(master_);
    if (holdSlave) {
        slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
        termios raw{};
        tcgetattr(slave_, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
    }
}

PseudoTerminal::~PseudoTerminal() {
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
}

void PseudoTerminal::CloseMaster() {
    close(master_);
    master_ = -1;
}

std::vector<uint8_t> PseudoTerminal::Read(size_t count, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<uint8_t> bytes;
    while (bytes.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        if (!(p.revents & POLLIN)) break;  // hung up with nothing to read
        uint8_t chunk[64];
        const ssize_t n = read(master_, chunk, std::min(sizeof chunk, count - bytes.size()));
        if (n <= 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

std::vector<uint8_t> PseudoTerminal::Drain(int quietMs) {
    return Read(SIZE_MAX, quietMs);
}

void PseudoTerminal::Write(const std::vector<uint8_t>& bytes) {
    if (write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("pseudo-terminal write failed");
}

bool PseudoTerminal::HungUp() {
    pollfd p{master_, POLLIN, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
}

uint32_t PseudoTerminal::SlaveBaud() {
    termios t{};
    if (slave_ < 0 || tcgetattr(slave_, &t) != 0) return 0;
    switch (cfgetospeed(&t)) {
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return 0;
    }
}

}  // namespace apptest

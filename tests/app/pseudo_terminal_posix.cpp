// The far end on POSIX: the pseudo-terminal pair's master, in the test's own process.

#include <poll.h>
#include <termios.h>

#include "pseudo_terminal.h"
#include "tools/pty/pty_pair.h"

namespace apptest {

struct PseudoTerminal::Far {
    tty::PtyPair pair;
};

PseudoTerminal::PseudoTerminal(bool holdSlave)
    : far_(new Far{tty::PtyPair(holdSlave ? tty::kKeepSlave | tty::kRawSlave : 0)}),
      path_(far_->pair.Path()) {}

PseudoTerminal::~PseudoTerminal() = default;

bool PseudoTerminal::Write(const std::vector<uint8_t>& bytes) const {
    return far_->pair.Write(bytes);
}

std::vector<uint8_t> PseudoTerminal::Read(size_t n, std::chrono::milliseconds timeout) const {
    return far_->pair.Read(n, timeout);
}

void PseudoTerminal::CloseMaster() {
    far_->pair.CloseMaster();
}

bool PseudoTerminal::HungUp() const {
    pollfd p{far_->pair.Master(), POLLIN, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
}

uint32_t PseudoTerminal::SlaveBaud() const {
    termios t{};
    if (far_->pair.Slave() < 0 || tcgetattr(far_->pair.Slave(), &t) != 0) return 0;
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

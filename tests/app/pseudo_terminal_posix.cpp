#include "pseudo_terminal.h"

#include <poll.h>
#include <termios.h>

#include <chrono>
#include <cstdint>

namespace apptest {

PseudoTerminal::PseudoTerminal(bool holdSlave)
    : PtyPair(holdSlave ? tty::kKeepSlave | tty::kRawSlave : 0) {}

std::vector<uint8_t> PseudoTerminal::Drain() const {
    return Read(SIZE_MAX, std::chrono::milliseconds(150));
}

bool PseudoTerminal::HungUp() const {
    pollfd p{Master(), POLLIN, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
}

uint32_t PseudoTerminal::SlaveBaud() const {
    termios t{};
    if (Slave() < 0 || tcgetattr(Slave(), &t) != 0) return 0;
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

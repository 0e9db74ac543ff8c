// Rates outside the standard table. The kernel's termios2 carries the rate as a number
// (BOTHER); its header clashes with the C library's <termios.h>, hence a file of its own.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdint>

#include "wait_posix.h"

namespace serial {

namespace {

bool GetTermios2(int fd, termios2& t) {
    return RetryOnEintr([&] { return ioctl(fd, TCGETS2, &t); }) == 0;
}

// Drivers round to what their clock divides to; more than this off counts as refused.
bool CloseEnough(uint32_t asked, uint32_t got) {
    const uint64_t diff = asked > got ? asked - got : got - asked;
    return diff * 100 <= uint64_t{asked} * 3;
}

}  // namespace

bool SetArbitraryBaud(int fd, uint32_t baud) {
    termios2 t{};
    if (!GetTermios2(fd, t)) return false;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = baud;
    t.c_ospeed = baud;
    if (RetryOnEintr([&] { return ioctl(fd, TCSETS2, &t); }) != 0) return false;
    // A driver that cannot do the rate keeps another one and still answers success.
    termios2 check{};
    return GetTermios2(fd, check) && CloseEnough(baud, check.c_ospeed);
}

bool GetActualBaud(int fd, uint32_t& baud) {
    termios2 t{};
    if (!GetTermios2(fd, t)) return false;
    baud = t.c_ospeed;
    return true;
}

}  // namespace serial

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "tools/line/line.h"
#include "tools/pty/pty_pair.h"

namespace sim {
namespace {

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

constexpr struct {
    speed_t constant;
    uint32_t baud;
} kSpeeds[] = {
    {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},     {B150, 150},
    {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},   {B1800, 1800},
    {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200}, {B38400, 38400},
    {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
};

speed_t SpeedConstant(uint32_t baud) {
    for (const auto& speed : kSpeeds) {
        if (speed.baud == baud) return speed.constant;
    }
    return B0;
}

std::optional<uint32_t> Baud(speed_t constant) {
    for (const auto& speed : kSpeeds) {
        if (speed.constant == constant) return speed.baud;
    }
    return std::nullopt;
}

int DataBits(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

bool MakeRaw(int fd, uint32_t baud, std::string& error) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        error = Errno("tcgetattr");
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | CS8;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (baud != 0) {
        ::cfsetispeed(&tio, SpeedConstant(baud));
        ::cfsetospeed(&tio, SpeedConstant(baud));
    }
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        error = Errno("tcsetattr");
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<Line> Line::OpenPseudoTerminal(uint32_t baud, std::string& error) {
    std::optional<tty::PtyPair> pair;
    try {
        pair.emplace(tty::kKeepSlave | tty::kNonBlocking);
    } catch (const std::system_error& e) {
        error = e.what();
        return nullptr;
    }
    if (!MakeRaw(pair->Slave(), baud, error) || !MakeRaw(pair->Master(), 0, error)) return nullptr;
    const int slave = pair->ReleaseSlave();
    return std::unique_ptr<Line>(new Line(pair->ReleaseMaster(), slave, pair->Path()));
}

std::unique_ptr<Line> Line::OpenDevice(const std::string& path, uint32_t baud, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = Errno("open " + path);
        return nullptr;
    }
    if (!::isatty(fd)) {
        error = path + " is not a serial device";
        ::close(fd);
        return nullptr;
    }
    // The lock keeps out the console and other tools; the flag keeps out any other opener
    // but root.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? path + " is busy: another program has it open"
                                     : Errno("flock " + path);
        ::close(fd);
        return nullptr;
    }
    const bool exclusive = ::ioctl(fd, TIOCEXCL) == 0;
    auto line = std::unique_ptr<Line>(new Line(fd, -1, path, exclusive));
    if (!MakeRaw(fd, baud, error)) return nullptr;
    ::tcflush(fd, TCIOFLUSH);
    return line;
}

Line::~Line() {
    // The flag outlives the descriptor: left set, it would refuse the next opener.
    if (exclusive_) ::ioctl(fd_, TIOCNXCL);
    if (keptSlave_ >= 0) ::close(keptSlave_);
    if (fd_ >= 0) ::close(fd_);
}

ssize_t Line::Read(uint8_t* buffer, size_t size) {
    const ssize_t n = ::read(fd_, buffer, size);
    if (n > 0) return n;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
    if (n == 0) errno = EIO;  // end of file on a terminal: the other side hung up
    return -1;
}

ssize_t Line::Write(const uint8_t* bytes, size_t count) {
    ssize_t n;
    do {
        n = ::write(fd_, bytes, count);
    } while (n < 0 && errno == EINTR);
    return n;
}

std::optional<LineTiming> Line::Timing() const {
    // On Linux the master of a pseudo-terminal reports the slave's settings: the console's.
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return std::nullopt;
    // An input speed of 0 means "as the output speed".
    const speed_t speed = ::cfgetispeed(&tio) != B0 ? ::cfgetispeed(&tio) : ::cfgetospeed(&tio);
    const auto baud = Baud(speed);
    if (!baud) return std::nullopt;
    const int parity = (tio.c_cflag & PARENB) ? 1 : 0;
    const int stop = (tio.c_cflag & CSTOPB) ? 2 : 1;
    return LineTiming{*baud, 1 + DataBits(tio.c_cflag) + parity + stop};
}

bool Line::SwitchSpeed(uint32_t baud, std::string& error) {
    if (IsPseudoTerminal()) return true;
    // The reply that announced the switch must leave at the old speed.
    if (::tcdrain(fd_) != 0) {
        error = Errno("tcdrain");
        return false;
    }
    return MakeRaw(fd_, baud, error);
}

DeviceLink::~DeviceLink() {
    Remove();
}

bool DeviceLink::Create(const std::string& target, const std::string& path, std::string& error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = path + " exists and is not a symbolic link";
            return false;
        }
        ::unlink(path.c_str());  // left behind by a simulator that did not stop cleanly
    }
    if (::symlink(target.c_str(), path.c_str()) != 0) {
        error = Errno("symlink " + path);
        return false;
    }
    target_ = target;
    path_ = path;
    return true;
}

void DeviceLink::Remove() {
    if (path_.empty()) return;
    // Another simulator may have taken the path over meanwhile: leave its link alone.
    char buffer[4096];
    const ssize_t n = ::readlink(path_.c_str(), buffer, sizeof buffer - 1);
    if (n >= 0 && std::string(buffer, static_cast<size_t>(n)) == target_) ::unlink(path_.c_str());
    path_.clear();
}

}  // namespace sim

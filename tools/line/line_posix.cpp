// The line on a POSIX terminal: a pseudo-terminal pair or a serial device, set up as the
// console sets up its own port.
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

#include "serial/dcb.h"
#include "serial/device_posix.h"
#include "tools/line/line.h"
#include "tools/pty/pty_pair.h"

namespace sim {
namespace {

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool MakeRaw(int fd, uint32_t baud, std::string& error) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        error = Errno("tcgetattr");
        return false;
    }
    // The console's own mapping for an 8N1 line without flow control: nothing translated,
    // and a break is never a 0 byte in the data, where it would shift the next frame.
    serial::DcbToTermios(serial::Dcb{}, tio);
    if (baud != 0) {
        const speed_t speed = serial::StandardSpeed(baud);
        if (speed == 0) {
            error = "no line speed " + std::to_string(baud);
            return false;
        }
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
    }
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        error = Errno("tcsetattr");
        return false;
    }
    return true;
}

// Opened exclusively, raw at this speed, with what was in the buffers thrown away; -1 with
// the reason when it cannot be.
int OpenExclusive(const std::string& path, uint32_t baud, bool& exclusive, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = Errno("open " + path);
        return -1;
    }
    if (!::isatty(fd)) {
        error = path + " is not a serial device";
        ::close(fd);
        return -1;
    }
    // The lock keeps out the console and other tools; the flag keeps out any other opener
    // but root.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? path + " is busy: another program has it open"
                                     : Errno("flock " + path);
        ::close(fd);
        return -1;
    }
    exclusive = ::ioctl(fd, TIOCEXCL) == 0;
    if (!MakeRaw(fd, baud, error)) {
        if (exclusive) ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return -1;
    }
    ::tcflush(fd, TCIOFLUSH);
    return fd;
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
    return std::unique_ptr<Line>(new Line(pair->ReleaseMaster(), slave, pair->Path(), baud));
}

std::unique_ptr<Line> Line::OpenDevice(const std::string& path, uint32_t baud, std::string& error) {
    bool exclusive = false;
    const int fd = OpenExclusive(path, baud, exclusive, error);
    if (fd < 0) return nullptr;
    return std::unique_ptr<Line>(new Line(fd, -1, path, baud, exclusive));
}

Line::~Line() {
    Close();
    if (keptSlave_ >= 0) ::close(keptSlave_);
}

void Line::Close() {
    if (fd_ < 0) return;
    // The flag outlives the descriptor: left set, it would refuse the next opener.
    if (exclusive_) ::ioctl(fd_, TIOCNXCL);
    exclusive_ = false;
    ::close(fd_);
    fd_ = -1;
}

bool Line::Reopen(std::string& error) {
    Close();
    fd_ = OpenExclusive(path_, baud_, exclusive_, error);
    return fd_ >= 0;
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
    const uint32_t baud = serial::SpeedToBaud(speed);
    if (baud == 0) return std::nullopt;
    serial::Dcb frame;
    serial::TermiosToDcb(tio, frame);
    const int parity = frame.Parity != 0 ? 1 : 0;
    const int stop = frame.StopBits != 0 ? 2 : 1;
    return LineTiming{baud, 1 + frame.ByteSize + parity + stop};
}

bool Line::SwitchSpeed(uint32_t baud, std::string& error) {
    if (!IsPseudoTerminal() && IsOpen()) {
        // The reply that announced the switch must leave at the old speed.
        if (::tcdrain(fd_) != 0) {
            error = Errno("tcdrain");
            return false;
        }
        if (!MakeRaw(fd_, baud, error)) return false;
    }
    baud_ = baud;
    return true;
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

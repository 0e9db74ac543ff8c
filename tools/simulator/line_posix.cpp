#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "tools/simulator/line.h"

namespace sim {
namespace {

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

speed_t SpeedConstant(uint32_t baud) {
    switch (baud) {
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B0;
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

std::unique_ptr<Line> Line::OpenPseudoTerminal(std::string& error) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) {
        error = Errno("posix_openpt");
        return nullptr;
    }
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        error = Errno("pseudo-terminal setup");
        ::close(master);
        return nullptr;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) {
        error = Errno(std::string("open ") + name);
        ::close(master);
        return nullptr;
    }
    if (!MakeRaw(slave, 0, error) || !MakeRaw(master, 0, error)) {
        ::close(slave);
        ::close(master);
        return nullptr;
    }
    return std::unique_ptr<Line>(new Line(master, slave, name));
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
    if (!MakeRaw(fd, baud, error)) {
        ::close(fd);
        return nullptr;
    }
    ::tcflush(fd, TCIOFLUSH);
    return std::unique_ptr<Line>(new Line(fd, -1, path));
}

Line::~Line() {
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

ssize_t Line::Write(const std::vector<uint8_t>& bytes) {
    ssize_t n;
    do {
        n = ::write(fd_, bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    return n;
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

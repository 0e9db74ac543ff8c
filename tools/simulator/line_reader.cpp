#include "tools/simulator/line_reader.h"

#include <unistd.h>

#include <cerrno>

namespace sim {
namespace {

constexpr size_t kMaxLine = 1024;

}  // namespace

bool LineReader::ReadFrom(int fd, std::vector<std::string>& lines) {
    char buffer[512];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) return errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK;
    if (n == 0) {
        if (!pending_.empty()) lines.push_back(std::move(pending_));
        pending_.clear();
        return false;
    }
    for (ssize_t i = 0; i < n; ++i) {
        if (buffer[i] == '\n') {
            lines.push_back(std::move(pending_));
            pending_.clear();
        } else if (pending_.size() < kMaxLine) {
            pending_ += buffer[i];
        }
    }
    return true;
}

}  // namespace sim

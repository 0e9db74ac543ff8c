#pragma once
// A pseudo-terminal standing in for the cable: the device under test opens the terminal
// side by its path, the test plays the far end on the controlling side.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "serial/event.h"

namespace serial::testing {

class Pty {
  public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0) throw std::runtime_error("posix_openpt failed");
        char name[128];
        if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
            ptsname_r(master_, name, sizeof name) != 0)
            throw std::runtime_error("pseudo-terminal setup failed");
        path_ = name;
    }
    ~Pty() { CloseMaster(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& Path() const { return path_; }
    int Master() const { return master_; }

    void CloseMaster() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }

    // Writes everything, blocking while the terminal side has no room.
    bool Write(const void* data, size_t n) const {
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
    bool Write(const std::vector<uint8_t>& bytes) const {
        return Write(bytes.data(), bytes.size());
    }

    // What the device sent: exactly n bytes, or fewer if the deadline passes first.
    std::vector<uint8_t> Read(size_t n, std::chrono::milliseconds timeout) const {
        std::vector<uint8_t> out;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (out.size() < n) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            uint8_t buf[65536];
            const size_t want = std::min(sizeof buf, n - out.size());
            const ssize_t r = read(master_, buf, want);
            if (r <= 0) break;
            out.insert(out.end(), buf, buf + r);
        }
        return out;
    }

  private:
    int master_ = -1;
    std::string path_;
};

// Sets an event once the time is up unless cancelled first: keeps a wait that has no limit
// of its own from hanging a test.
class Watchdog {
  public:
    Watchdog(Event& event, std::chrono::milliseconds limit)
        : thread_([this, &event, limit] {
              std::unique_lock lock(mutex_);
              if (!cv_.wait_for(lock, limit, [this] { return cancelled_; })) event.Set();
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool cancelled_ = false;
    std::thread thread_;
};

// Bytes 0..255 repeating, offset by seed, so that loss or reordering shows.
inline std::vector<uint8_t> Pattern(size_t n, uint8_t seed = 0) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + seed + i / 251);
    return v;
}

// CPU time this process has used, all threads.
inline std::chrono::microseconds ProcessCpuTime() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return std::chrono::seconds(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           std::chrono::microseconds(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

}  // namespace serial::testing

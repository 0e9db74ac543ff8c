#pragma once
// A pseudo-terminal standing in for the cable, and what the tests on it share: the device
// opened on it for reading, a watchdog for waits without a limit of their own, a byte
// pattern, the process's CPU time.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/comm_constants.h"
#include "serial/device.h"
#include "serial/event.h"
#include "tools/pty/pty_pair.h"

namespace serial::testing {

// The device under test opens the terminal side by its path; the test plays the far end on
// the controlling side.
using Pty = tty::PtyPair;

// Opens the terminal side as the port object opens a port to read: settings and time-outs
// set, the reader begun, the line events watched.
inline void OpenForReading(const Pty& pty, const Dcb& dcb, const CommTimeouts& timeouts,
                           std::unique_ptr<Device>& device) {
    device = OpenPlatformDevice(pty.Path());
    ASSERT_TRUE(device);
    ASSERT_TRUE(device->SetCommState(dcb));
    ASSERT_TRUE(device->SetCommTimeouts(timeouts));
    ASSERT_TRUE(device->BeginReader());
    ASSERT_TRUE(device->SetCommMask(WatchedEvents));
}

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

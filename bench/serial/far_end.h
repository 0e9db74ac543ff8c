#pragma once
// The device's side of a reply: a thread of its own that writes a reply on the terminal a
// moment after it is asked, so that the reply finds the owner thread asleep in its wait, as a
// real device's reply does, rather than busy writing the reply itself.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "tools/pty/pty_pair.h"

namespace bench {

class FarEnd {
  public:
    using Clock = std::chrono::steady_clock;

    explicit FarEnd(const tty::PtyPair& pty);
    ~FarEnd();
    FarEnd(const FarEnd&) = delete;
    FarEnd& operator=(const FarEnd&) = delete;

    // Writes the bytes after the delay, from the far-end thread; returns at once.
    void SendAfter(const uint8_t* data, size_t n, std::chrono::microseconds delay);
    // Waits for the last send to be written; the time its write returned.
    Clock::time_point Sent();

  private:
    void Run();

    const tty::PtyPair& pty_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<uint8_t> bytes_;
    std::chrono::microseconds delay_{0};
    bool pending_ = false, stop_ = false;
    Clock::time_point sent_;
    std::thread thread_;
};

}  // namespace bench

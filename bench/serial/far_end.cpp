#include "far_end.h"

namespace bench {

FarEnd::FarEnd(const tty::PtyPair& pty) : pty_(pty), thread_([this] { Run(); }) {}

FarEnd::~FarEnd() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void FarEnd::SendAfter(const uint8_t* data, size_t n, std::chrono::microseconds delay) {
    {
        std::lock_guard lock(mutex_);
        bytes_.assign(data, data + n);
        delay_ = delay;
        pending_ = true;
    }
    changed_.notify_all();
}

FarEnd::Clock::time_point FarEnd::Sent() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_ || stop_; });
    return sent_;
}

void FarEnd::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ || stop_; });
        if (stop_) return;
        const std::vector<uint8_t> bytes = bytes_;
        const auto delay = delay_;
        lock.unlock();
        std::this_thread::sleep_for(delay);
        pty_.Write(bytes.data(), bytes.size());
        const auto sent = Clock::now();
        lock.lock();
        sent_ = sent;
        pending_ = false;
        changed_.notify_all();
    }
}

}  // namespace bench

#pragma once
// The owner thread's inbox: the workers post small records here and the owner dispatches
// them, one at a time and in posting order, on its own thread. Stands where a hidden
// window and posted messages would be; its Ready event is what the owner's loop watches.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "event.h"

namespace serial {

struct Notification {
    uint32_t code = 0;
    uint32_t wParam = 0;
    uint32_t lParam = 0;
    // NOTIFY_LINE_EVENT with EV_ERR: the flags the reader's ClearCommError returned for it.
    uint32_t errors = 0;
    // NOTIFY_RECEIVED_DATA: the chunk (wParam bytes) followed by one zero byte. The record
    // owns it, so it stays intact until the handler returns whatever the reader does next.
    std::vector<uint8_t> payload;
    // NOTIFY_COMM_FAILURE: the system error of what failed (errno, GetLastError()); 0 when
    // the worker knew none.
    int systemError = 0;
};

class NotifyQueue {
  public:
    // Bytes queued (payloads plus a per-record overhead) above which Room is reset; it is set
    // again once the owner has drained below half of it.
    static constexpr size_t kDefaultBound = size_t{1} << 20;

    // Throws std::system_error when the platform cannot create its events.
    explicit NotifyQueue(size_t bound = kDefaultBound);
    NotifyQueue(const NotifyQueue&) = delete;
    NotifyQueue& operator=(const NotifyQueue&) = delete;

    // Any thread. False once the queue is closed (the owner is gone).
    bool Post(Notification n);
    // Owner thread. The oldest record, or nothing when empty.
    std::optional<Notification> Pop();
    // Refuses later posts and drops what is queued; wakes anyone waiting for room.
    void Close();

    size_t Size() const;
    size_t QueuedBytes() const;
    size_t Bound() const { return bound_; }

    // Set while records are queued.
    Event& Ready() { return *ready_; }
    // Set while a producer may queue more (see kDefaultBound); always set once closed.
    Event& Room() { return *room_; }

  private:
    static size_t Cost(const Notification& n) { return n.payload.size() + sizeof(Notification); }

    const size_t bound_;
    std::unique_ptr<Event> ready_;
    std::unique_ptr<Event> room_;
    mutable std::mutex mutex_;
    std::deque<Notification> records_;
    size_t bytes_ = 0;
    bool closed_ = false;
};

}  // namespace serial

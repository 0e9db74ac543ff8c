#pragma once
// A thread's message queue: numbered messages with two parameters, posted from any thread
// and taken one at a time, in posting order, by the thread that owns the queue. The owner's
// inbox is one (the workers post their notifications to it, and its Ready event is what
// the owner's loop watches: it stands where a hidden window would be); the writer's request
// queue is another.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "event.h"

namespace serial {

struct Message {
    uint32_t code = 0;
    uint32_t wParam = 0;  // REQUEST_WRITE, NOTIFY_RECEIVED_DATA: the byte count
    uint32_t lParam = 0;
    // NOTIFY_LINE_EVENT with EV_ERR: the flags the reader's ClearCommError returned for it.
    uint32_t errors = 0;
    // NOTIFY_RECEIVED_DATA: the chunk (wParam bytes) followed by one zero byte. The record
    // owns it, so it stays intact until the handler returns whatever the reader does next.
    // REQUEST_WRITE: the bytes to write, copied when the request was posted.
    std::vector<uint8_t> payload;
    // NOTIFY_COMM_FAILURE: the system error of what failed (errno, GetLastError()); 0 when
    // the worker knew none.
    int systemError = 0;
};

class MessageQueue {
  public:
    // Bytes queued (payloads plus a per-record overhead) above which Room is reset; it is set
    // again once the taker has drained below half of it.
    static constexpr size_t kDefaultBound = size_t{1} << 20;

    // Throws std::system_error when the platform cannot create its events.
    explicit MessageQueue(size_t bound = kDefaultBound);
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // Any thread. False once the queue is closed (its taker is gone).
    bool Post(Message n);
    // The taking thread. The oldest record, without waiting; nothing when empty.
    std::optional<Message> Pop();
    // Drops what is queued and goes on taking posts; wakes anyone waiting for room.
    void Drop();
    // Refuses later posts and drops what is queued.
    void Close();

    size_t Size() const;
    size_t QueuedBytes() const;
    size_t Bound() const { return bound_; }

    // Set while records are queued.
    Event& Ready() { return *ready_; }
    // Set while a producer may queue more (see kDefaultBound); always set once closed.
    Event& Room() { return *room_; }

  private:
    static size_t Cost(const Message& n) { return n.payload.size() + sizeof(Message); }
    void DropLocked();

    const size_t bound_;
    std::unique_ptr<Event> ready_;
    std::unique_ptr<Event> room_;
    mutable std::mutex mutex_;
    std::deque<Message> records_;
    size_t bytes_ = 0;
    bool closed_ = false;
};

}  // namespace serial

#pragma once
// The writer thread's message queue. QueueWrite posts a request carrying its own copy of
// the bytes, so the caller may reuse its buffer at once; the writer takes requests in
// posting order. The writer closes the queue when it ends, and later posts are refused.

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "event.h"

namespace serial {

struct WriteRequest {
    uint32_t code = 0;  // REQUEST_WRITE; other codes are ignored by the writer
    std::vector<uint8_t> bytes;
};

class WriteQueue {
  public:
    // Throws std::system_error when the platform cannot create its event.
    WriteQueue();
    WriteQueue(const WriteQueue&) = delete;
    WriteQueue& operator=(const WriteQueue&) = delete;

    // Any thread. Copies length bytes from data; false once closed.
    bool Post(uint32_t code, const uint8_t* data, size_t length);
    // The oldest request without waiting, or nothing.
    std::optional<WriteRequest> TryTake();
    // Refuses later posts and drops what is queued.
    void Close();
    bool Closed() const;

    // Set while requests are queued.
    Event& Ready() { return *ready_; }

  private:
    std::unique_ptr<Event> ready_;
    mutable std::mutex mutex_;
    std::deque<WriteRequest> requests_;
    bool closed_ = false;
};

}  // namespace serial

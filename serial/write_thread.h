#pragma once
// TWriteThread: takes write requests from its own queue one at a time, in posting order,
// and writes each one completely before the next.

#include <cstddef>
#include <cstdint>

#include "worker_thread.h"

namespace serial {

// A request for the writer's queue: code (REQUEST_WRITE; the writer ignores any other) with
// its own copy of the length bytes at data, so that the caller may reuse them at once.
Message WriteRequest(const uint8_t* data, size_t length, uint32_t code);

class TWriteThread : public WorkerThread {
  public:
    // Creates the queue (and its event) now, so that a failure fails the creation.
    TWriteThread() = default;
    ~TWriteThread() override;  // joins

    // The thread's message queue: it exists (and keeps posts) from construction until the
    // thread ends.
    MessageQueue& Queue() { return queue_; }

    void Execute() override;

  private:
    // False: stop (a failure has been posted where one is due).
    bool Write(const uint8_t* data, uint32_t n);

    MessageQueue queue_;
};

}  // namespace serial

#pragma once
// TWriteThread: takes write requests from its own queue one at a time, in posting order,
// and writes each one completely before the next.

#include <cstdint>

#include "worker_thread.h"
#include "write_queue.h"

namespace serial {

class TWriteThread : public WorkerThread {
  public:
    // Creates the queue (and its event) now, so that a failure fails the creation.
    TWriteThread() = default;
    ~TWriteThread() override;  // joins

    // The thread's message queue: it exists (and keeps posts) from construction until the
    // thread ends.
    WriteQueue& Queue() { return queue_; }

    void Execute() override;

  private:
    // False: stop (a failure has been posted where one is due).
    bool Write(const uint8_t* data, uint32_t n);

    WriteQueue queue_;
};

}  // namespace serial

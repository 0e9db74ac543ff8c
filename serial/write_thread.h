#pragma once
// TWriteThread: takes write requests from its own queue one at a time, in posting order,
// and writes each one completely before the next.

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "device.h"
#include "event.h"
#include "notify_queue.h"
#include "write_queue.h"

namespace serial {

class TWriteThread {
  public:
    using Launcher = std::function<std::thread(std::function<void()>)>;

    TWriteThread() = default;
    ~TWriteThread();  // joins
    TWriteThread(const TWriteThread&) = delete;
    TWriteThread& operator=(const TWriteThread&) = delete;

    // Set by the owner before Start.
    Device* CommHandle = nullptr;
    Event* CloseEvent = nullptr;
    std::shared_ptr<NotifyQueue> NotifyWindow;

    // The thread's message queue: it exists (and keeps posts) from construction until the
    // thread ends.
    WriteQueue& Queue() { return queue_; }

    void Start(const Launcher& launch);
    void Start();
    void Join();

    void Execute();

  private:
    // False: stop (a failure has been posted where one is due).
    bool Write(const uint8_t* data, uint32_t n);
    void Fail();

    WriteQueue queue_;
    std::thread thread_;
};

}  // namespace serial

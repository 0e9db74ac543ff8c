#pragma once
// What the reader and the writer have in common: the three fields the owner sets before the
// start, the thread that runs the worker's Execute, and the notifications it posts.

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "device.h"
#include "event.h"
#include "message_queue.h"

namespace serial {

class WorkerThread {
  public:
    // Runs the body on a new thread and returns it; throws std::system_error when no thread
    // can be created.
    using Launcher = std::function<std::thread(std::function<void()>)>;

    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Set by the owner before Start.
    Device* CommHandle = nullptr;
    Event* CloseEvent = nullptr;
    std::shared_ptr<MessageQueue> NotifyWindow;

    void Start(const Launcher& launch);
    void Start();
    // Returns once the thread has ended (at once if it was never started).
    void Join();

    // The thread's body; public so that tests may run it on their own thread.
    virtual void Execute() = 0;

  protected:
    WorkerThread() = default;
    // The derived class joins in its own destructor: Execute uses its members.
    virtual ~WorkerThread() = default;

    // False when the owner's queue refuses the record (the owner is gone).
    bool Post(uint32_t code, uint32_t wParam, uint32_t lParam);
    void PostFailure(int systemError);

  private:
    std::thread thread_;
};

}  // namespace serial

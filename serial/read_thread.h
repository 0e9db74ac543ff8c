#pragma once
// TReadThread: keeps one read and one line-event wait outstanding on the device and posts
// what they bring (received chunks, line events, its readiness, its failure) to the owner.

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "device.h"
#include "event.h"
#include "notify_queue.h"

namespace serial {

class TReadThread {
  public:
    static constexpr uint32_t kReadSize = 32768;

    // Starts the thread on Execute: launch runs the body on a new thread and returns it (it
    // throws std::system_error when no thread can be created).
    using Launcher = std::function<std::thread(std::function<void()>)>;

    TReadThread() = default;
    ~TReadThread();  // joins
    TReadThread(const TReadThread&) = delete;
    TReadThread& operator=(const TReadThread&) = delete;

    // Set by the owner before Start.
    Device* CommHandle = nullptr;
    Event* CloseEvent = nullptr;
    std::shared_ptr<NotifyQueue> NotifyWindow;

    void Start(const Launcher& launch);
    void Start();
    // Returns once the thread has ended (at once if it was never started).
    void Join();

    // The thread's body; public so that tests may run it on their own thread.
    void Execute();

  private:
    enum class Outcome { Armed, Close, Fail };

    Outcome Run();  // everything between BeginReader and the stop step
    Outcome ArmLineEventWait();
    Outcome ArmRead();
    bool HandleLineEvent(uint32_t mask, bool throughRecord);
    // Posts a completed read; Fail when the post was refused. The caller has made sure that
    // no close request came first.
    Outcome HandOff(uint32_t count);
    bool Post(uint32_t code, uint32_t wParam, uint32_t lParam);
    bool WaitForRoom();

    // Flags of the latest ClearCommError; they also travel in the line-event notification.
    uint32_t LastErrors = 0;
    std::unique_ptr<uint8_t[]> buffer_;
    std::thread thread_;
};

}  // namespace serial

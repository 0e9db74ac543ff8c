#pragma once
// TReadThread: keeps one read and one line-event wait outstanding on the device and posts
// what they bring (received chunks, line events, its readiness, its failure) to the owner.

#include <cstdint>
#include <memory>

#include "worker_thread.h"

namespace serial {

class TReadThread : public WorkerThread {
  public:
    static constexpr uint32_t kReadSize = 32768;

    // Takes its read buffer now, so that a lack of memory fails the creation, not the run.
    TReadThread();
    ~TReadThread() override;  // joins

    void Execute() override;

  private:
    enum class Outcome { Armed, Close, Fail };

    Outcome Run();  // everything between BeginReader and the stop step
    Outcome ArmLineEventWait();
    Outcome ArmRead();
    Outcome HandleLineEvent(uint32_t mask, bool throughRecord);
    // Posts a completed read; Fail when the post was refused. The caller has made sure that
    // no close request came first.
    Outcome HandOff(uint32_t count);
    bool WaitForRoom();
    // Fail, keeping the system error that the failure notification will carry.
    Outcome Failed(int systemError);

    // Flags of the latest ClearCommError; they also travel in the line-event notification.
    uint32_t LastErrors = 0;
    std::unique_ptr<uint8_t[]> buffer_;
    int failure_ = 0;
};

}  // namespace serial

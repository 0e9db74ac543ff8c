#pragma once
// The checker's end of the line: the console's serial port object, opened as the console
// opens it, and one exchange at a time on top of it: send a command, gather what comes back
// with the time each byte took, until the reply is whole and the line is quiet again, or
// the time limit has passed. Its owner-thread notifications are pumped here; the waits also
// watch the stop event, so Ctrl-C ends any of them at once.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "serial/comm32.h"
#include "serial/event.h"
#include "tools/checker/exchange.h"
#include "tools/frames/protocol.h"

namespace check {

// Thrown out of a wait when the stop event is set.
struct Interrupted {};
// Thrown out of a wait when the port has failed (the reader or writer gave up).
struct PortFailed {};

class CheckPort {
  public:
    explicit CheckPort(serial::Event& stop);
    CheckPort(const CheckPort&) = delete;
    CheckPort& operator=(const CheckPort&) = delete;

    // Opens the device exclusively at this speed, no flow control, RTS raised. Returns an
    // empty text, or why it failed (the console's words, then English).
    std::string Open(const std::string& device, uint32_t baud);
    void Close() { comm_.ClosePort(); }
    // Why the port failed while open, when its worker knew; empty otherwise.
    std::string FailureText() const;

    void SetSpeed(uint32_t baud);
    uint32_t Speed() const { return baud_; }

    // Sends bytes and gathers the answer. With want > 0: returns once want bytes have come
    // and the line has been quiet for a few byte times, or when the limit (and then
    // `beyond`, to catch a late reply) has passed. With want 0: gathers for the whole limit.
    Exchange Send(const frames::Bytes& bytes, size_t want, Clock::duration limit,
                  Clock::duration beyond = {});
    // Lets the line rest; what arrives meanwhile is kept for the next exchange.
    void Pause(Clock::duration span);
    // Drops what has come and not been taken, once the line has been quiet for a few byte
    // times (at most 200 ms on), and returns it: before the first command, an adapter's
    // glitch on opening or noise while the engineer read the plan answers nothing.
    frames::Bytes Discard();

  private:
    // Dispatches what the threads posted and, unless that brought bytes, waits until bytes
    // come or until `until`.
    // Throws Interrupted or PortFailed.
    void WaitUntil(Clock::time_point until);
    void ThrowIfStopped();
    // The quiet after a reply that tells it is over.
    Clock::duration Settle() const;

    serial::TComm32 comm_;
    serial::Event& stop_;
    uint32_t baud_ = 9600;
    bool failed_ = false;
    // Bytes delivered by the port and not yet taken by an exchange, with their arrival.
    std::vector<std::pair<Clock::time_point, uint8_t>> inbox_;
};

}  // namespace check

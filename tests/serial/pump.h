#pragma once
// Owner-side helpers for the tests: the notification queue, with deadlines, and what a call
// on the port object raises.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "serial/comm32.h"
#include "serial/event.h"
#include "serial/message_queue.h"

namespace serial::test {

// Dispatches notifications on this (the owner) thread until pred holds or the time is up.
template <class Pred>
bool PumpUntil(TComm32& comm, Pred pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        comm.ProcessNotifications();
        if (pred()) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        Event* ready[] = {&comm.NotificationEvent()};
        WaitAny(ready, left);
    }
}

// Dispatches whatever arrives within the pause (for "nothing more comes" checks).
inline void PumpFor(TComm32& comm, std::chrono::milliseconds pause) {
    PumpUntil(
        comm, [] { return false; }, pause);
}

// The next record a worker posts straight into a queue, or nothing by the deadline.
inline std::optional<Message> NextNotification(
    MessageQueue& queue, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    Event* ready[] = {&queue.Ready()};
    if (WaitAny(ready, timeout) != 0) return std::nullopt;
    return queue.Pop();
}

// The message of the error the call raises.
inline std::string MessageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const ECommsError& e) {
        return e.what();
    }
    return "(nothing raised)";
}

}  // namespace serial::test

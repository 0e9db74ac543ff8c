#pragma once
// A manual-reset event that the threads and the device layer wait on together with
// device readiness. On POSIX it is an eventfd (pollable, so the owner's event loop can
// watch it too); on Windows an event handle.

#include <chrono>
#include <memory>
#include <span>

namespace serial {

#ifdef _WIN32
using NativeEventHandle = void*;  // HANDLE
#else
using NativeEventHandle = int;  // file descriptor, readable while the event is set
#endif

class Event {
  public:
    // Null when the platform cannot create one (out of descriptors or handles).
    static std::unique_ptr<Event> Create(bool signalled = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;  // tests without waiting
    NativeEventHandle Handle() const { return handle_; }

  private:
    explicit Event(NativeEventHandle handle) : handle_(handle) {}
    NativeEventHandle handle_;
};

inline constexpr int WaitTimedOut = -1;
inline constexpr int WaitFailed = -2;

// Waits until one of the events is set; returns the lowest index among those set, or
// WaitTimedOut, or WaitFailed. A negative timeout waits without a limit.
int WaitAny(std::span<Event* const> events, std::chrono::milliseconds timeout);

}  // namespace serial

// Events on Windows: manual-reset event handles, waited on with WaitForMultipleObjects, which
// reports the lowest index among the handles that are set.

#include "event.h"

#include <windows.h>

namespace serial {

std::unique_ptr<Event> Event::Create(bool signalled) {
    HANDLE h = CreateEventA(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr);
    if (h == nullptr) return nullptr;
    return std::unique_ptr<Event>(new Event(h));
}

Event::~Event() {
    CloseHandle(handle_);
}

void Event::Set() {
    SetEvent(handle_);
}

void Event::Reset() {
    ResetEvent(handle_);
}

bool Event::IsSet() const {
    return WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0;
}

int WaitAny(std::span<Event* const> events, std::chrono::milliseconds timeout) {
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    if (events.empty() || events.size() > MAXIMUM_WAIT_OBJECTS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WaitFailed;
    }
    for (size_t i = 0; i < events.size(); ++i) handles[i] = events[i]->Handle();
    // INFINITE is 0xFFFFFFFF: a longer finite wait is capped just below it.
    DWORD ms = INFINITE;
    if (timeout.count() >= 0)
        ms = timeout.count() >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(timeout.count());
    const DWORD rc = WaitForMultipleObjects(static_cast<DWORD>(events.size()), handles, FALSE, ms);
    if (rc < WAIT_OBJECT_0 + events.size()) return static_cast<int>(rc - WAIT_OBJECT_0);
    if (rc == WAIT_TIMEOUT) return WaitTimedOut;
    return WaitFailed;
}

}  // namespace serial

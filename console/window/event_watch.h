#pragma once
// How the window's event loop watches the port object's notification event: the event is an
// eventfd on POSIX and an event handle on Windows, and Qt has a notifier for each. Each
// platform's file makes its own (event_watch_posix.cpp, event_watch_win32.cpp).

#include <QObject>
#include <functional>

#include "serial/event.h"

namespace console {

// A notifier, owned by parent, that runs dispatch on parent's thread while the event is set.
QObject* WatchEvent(serial::Event& event, QObject* parent, std::function<void()> dispatch);

}  // namespace console

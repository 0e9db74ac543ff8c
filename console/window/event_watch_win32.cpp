// The notification event is an event handle, which the event loop waits on directly.

#include <QWinEventNotifier>
#include <utility>

#include "console/window/event_watch.h"

namespace console {

QObject* WatchEvent(serial::Event& event, QObject* parent, std::function<void()> dispatch) {
    auto* notifier = new QWinEventNotifier(event.Handle(), parent);
    QObject::connect(notifier, &QWinEventNotifier::activated, parent, std::move(dispatch));
    return notifier;
}

}  // namespace console

// The notification event is an eventfd: readable while it is set.

#include <QSocketNotifier>
#include <utility>

#include "console/window/event_watch.h"

namespace console {

QObject* WatchEvent(serial::Event& event, QObject* parent, std::function<void()> dispatch) {
    auto* notifier = new QSocketNotifier(event.Handle(), QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, std::move(dispatch));
    return notifier;
}

}  // namespace console

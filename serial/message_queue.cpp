#include "message_queue.h"

#include <system_error>
#include <utility>

#include "system_error.h"

namespace serial {

MessageQueue::MessageQueue(size_t bound)
    : bound_(bound), ready_(Event::Create(false)), room_(Event::Create(true)) {
    if (!ready_ || !room_)
        throw std::system_error(LastSystemError(), std::system_category(),
                                "cannot create the message queue events");
}

bool MessageQueue::Post(Message n) {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    bytes_ += Cost(n);
    records_.push_back(std::move(n));
    if (records_.size() == 1) ready_->Set();
    if (bytes_ > bound_) room_->Reset();
    return true;
}

std::optional<Message> MessageQueue::Pop() {
    std::lock_guard lock(mutex_);
    if (records_.empty()) return std::nullopt;
    Message n = std::move(records_.front());
    records_.pop_front();
    bytes_ -= Cost(n);
    if (records_.empty()) ready_->Reset();
    if (bytes_ <= bound_ / 2) room_->Set();
    return n;
}

void MessageQueue::Drop() {
    std::lock_guard lock(mutex_);
    DropLocked();
}

void MessageQueue::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    DropLocked();
}

void MessageQueue::DropLocked() {
    records_.clear();
    bytes_ = 0;
    ready_->Reset();
    room_->Set();
}

size_t MessageQueue::Size() const {
    std::lock_guard lock(mutex_);
    return records_.size();
}

size_t MessageQueue::QueuedBytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

}  // namespace serial

#include "write_queue.h"

#include <system_error>
#include <utility>

#include "system_error.h"

namespace serial {

WriteQueue::WriteQueue() : ready_(Event::Create(false)) {
    if (!ready_)
        throw std::system_error(LastSystemError(), std::system_category(),
                                "cannot create the write queue event");
}

bool WriteQueue::Post(uint32_t code, const uint8_t* data, size_t length) {
    WriteRequest request{
        code, length ? std::vector<uint8_t>(data, data + length) : std::vector<uint8_t>{}};
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    requests_.push_back(std::move(request));
    if (requests_.size() == 1) ready_->Set();
    return true;
}

std::optional<WriteRequest> WriteQueue::TryTake() {
    std::lock_guard lock(mutex_);
    if (requests_.empty()) return std::nullopt;
    WriteRequest request = std::move(requests_.front());
    requests_.pop_front();
    if (requests_.empty()) ready_->Reset();
    return request;
}

void WriteQueue::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    requests_.clear();
    ready_->Reset();
}

bool WriteQueue::Closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

}  // namespace serial

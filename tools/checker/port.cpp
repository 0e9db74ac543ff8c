#include "tools/checker/port.h"

#include "serial/comm_constants.h"
#include "tools/checker/port_failure.h"

namespace check {
namespace {

using std::chrono::milliseconds;

// Silence after the last byte of a reply before it counts as whole: a controller that sends
// more than a reply's bytes has started on the next one by then.
constexpr Clock::duration kSettleFloor = milliseconds(2);
constexpr int kSettleBytes = 3;
constexpr int kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
// A line that is still not quiet by then carries noise that the run ought to show.
constexpr Clock::duration kDiscardAtMost = milliseconds(200);

}  // namespace

CheckPort::CheckPort(serial::Event& stop) : stop_(stop) {
    comm_.SetFlowControl(0);
    comm_.SetEventChar(0);
    comm_.OnReceiveData = [this](const uint8_t* data, uint16_t length) {
        const Clock::time_point now = Clock::now();
        for (uint16_t i = 0; i < length; ++i) inbox_.emplace_back(now, data[i]);
    };
    comm_.OnCommFailure = [this](serial::TComm32&) { failed_ = true; };
}

std::string CheckPort::Open(const std::string& device, uint32_t baud) {
    comm_.PortName = "//./" + device;
    comm_.SetBaudRate(baud);
    try {
        if (!comm_.OpenPort()) return "the port's stop event could not be created";
    } catch (const serial::ECommsError& error) {
        // As the console says it, so that a missing, forbidden or busy device says which.
        return OpenFailureText(error, comm_.PortName);
    }
    comm_.EscapeFunction(serial::SETRTS);
    baud_ = baud;
    return {};
}

std::string CheckPort::FailureText() const {
    return LineLostText(comm_.LastFailureError(), comm_.PortName);
}

void CheckPort::SetSpeed(uint32_t baud) {
    comm_.SetBaudRate(baud);
    baud_ = baud;
}

Clock::duration CheckPort::Settle() const {
    const auto byteTime = std::chrono::nanoseconds(int64_t{kBitsPerByte} * 1'000'000'000 / baud_);
    return kSettleFloor + kSettleBytes * byteTime;
}

void CheckPort::ThrowIfStopped() {
    if (failed_) throw PortFailed{};
    if (stop_.IsSet()) throw Interrupted{};
}

void CheckPort::WaitUntil(Clock::time_point until) {
    const size_t had = inbox_.size();
    comm_.ProcessNotifications();
    ThrowIfStopped();
    if (inbox_.size() > had) return;
    const auto left = std::chrono::ceil<milliseconds>(until - Clock::now());
    if (left.count() <= 0) return;
    serial::Event* events[] = {&comm_.NotificationEvent(), &stop_};
    if (serial::WaitAny(events, left) == serial::WaitFailed) throw PortFailed{};
    comm_.ProcessNotifications();
    ThrowIfStopped();
}

Exchange CheckPort::Send(const frames::Bytes& bytes, size_t want, Clock::duration limit,
                         Clock::duration beyond) {
    Exchange x;
    x.sent = bytes;
    x.want = want;
    x.limit = limit;
    x.beyond = beyond;
    x.settle = Settle();
    comm_.ProcessNotifications();
    ThrowIfStopped();
    for (const auto& [at, byte] : inbox_) x.leftover.push_back(byte);
    inbox_.clear();

    const Clock::time_point sentAt = Clock::now();
    if (!comm_.QueueWrite(bytes.data(), static_cast<uint16_t>(bytes.size()))) throw PortFailed{};
    for (;;) {
        for (const auto& [at, byte] : inbox_) x.Take(byte, at - sentAt);
        inbox_.clear();
        const Clock::time_point until = sentAt + x.ListenFor();
        if (Clock::now() >= until) break;
        WaitUntil(until);
    }
    return x;
}

void CheckPort::Pause(Clock::duration span) {
    const Clock::time_point until = Clock::now() + span;
    while (Clock::now() < until) WaitUntil(until);
}

frames::Bytes CheckPort::Discard() {
    const Clock::time_point until = Clock::now() + kDiscardAtMost;
    size_t had = 0;
    do {
        had = inbox_.size();
        Pause(Settle());
    } while (inbox_.size() > had && Clock::now() < until);
    frames::Bytes dropped;
    for (const auto& [at, byte] : inbox_) dropped.push_back(byte);
    inbox_.clear();
    return dropped;
}

}  // namespace check

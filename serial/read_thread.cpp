#include "read_thread.h"

#include <chrono>
#include <cstring>
#include <utility>

#include "comm_constants.h"
#include "system_error.h"

namespace serial {

namespace {

// How long an empty read that completed at once holds the reader back before the next
// read, so that a device which keeps completing reads that way cannot make it spin.
constexpr std::chrono::milliseconds kEmptyReadPause{10};

// The line changes that a modem status reports as on.
uint32_t LinesOnMask(uint32_t status) {
    uint32_t mask = 0;
    if (status & MS_CTS_ON) mask |= EV_CTS;
    if (status & MS_DSR_ON) mask |= EV_DSR;
    if (status & MS_RING_ON) mask |= EV_RING;
    if (status & MS_RLSD_ON) mask |= EV_RLSD;
    return mask;
}

}  // namespace

TReadThread::TReadThread() : buffer_(std::make_unique<uint8_t[]>(kReadSize)) {}

TReadThread::~TReadThread() {
    Join();
}

void TReadThread::Execute() {
    Device& device = *CommHandle;
    failure_ = 0;
    const bool begun = device.BeginReader();
    const Outcome end = begun ? Run() : Failed(LastSystemError());
    if (end == Outcome::Fail) PostFailure(failure_);
    device.PurgeComm(PURGE_RXABORT | PURGE_RXCLEAR);
    if (begun) device.EndReader();
}

TReadThread::Outcome TReadThread::Failed(int systemError) {
    failure_ = systemError;
    return Outcome::Fail;
}

TReadThread::Outcome TReadThread::Run() {
    Device& device = *CommHandle;
    if (!device.SetCommMask(WatchedEvents)) return Failed(LastSystemError());
    // Lines that are already on reach the owner as changes to on.
    uint32_t status = 0;
    device.GetCommModemStatus(status);
    if (status != 0 && !Post(NOTIFY_LINE_EVENT, 0, LinesOnMask(status) | status << 16))
        return Failed(0);
    if (Outcome o = ArmLineEventWait(); o != Outcome::Armed) return o;
    if (Outcome o = ArmRead(); o != Outcome::Armed) return o;
    if (!Post(NOTIFY_THREAD_READY, 0, 0)) return Failed(0);
    for (;;) {
        Outcome next = Outcome::Armed;
        switch (device.WaitReader(*CloseEvent)) {
            case ReaderWake::Close:
                return Outcome::Close;
            case ReaderWake::LineEvent:
                next = HandleLineEvent(0, true);
                if (next == Outcome::Armed) next = ArmLineEventWait();
                break;
            case ReaderWake::ReadDone: {
                // WaitReader puts close ahead of a read done at the same time, so this read
                // came first and goes to the owner without asking the close event again.
                const IoResult r = device.ReadResult();
                if (r.status != IoStatus::Done) return Failed(r.error);
                // An empty completion only means the read timed out: read again.
                if (r.count > 0) next = HandOff(r.count);
                if (next == Outcome::Armed) next = ArmRead();
                break;
            }
            case ReaderWake::Failed:
                return Failed(LastSystemError());
        }
        if (next != Outcome::Armed) return next;
    }
}

TReadThread::Outcome TReadThread::ArmLineEventWait() {
    for (;;) {
        if (CloseEvent->IsSet()) return Outcome::Close;
        uint32_t mask = 0;
        const IoResult r = CommHandle->WaitCommEvent(mask);
        switch (r.status) {
            case IoStatus::Done:
                if (Outcome o = HandleLineEvent(mask, false); o != Outcome::Armed) return o;
                continue;
            case IoStatus::Pending:
                return Outcome::Armed;
            default:
                return Failed(r.error);
        }
    }
}

TReadThread::Outcome TReadThread::HandleLineEvent(uint32_t mask, bool throughRecord) {
    if (throughRecord) {
        const IoResult r = CommHandle->CommEventResult(mask);
        if (r.status != IoStatus::Done) return Failed(r.error);
    }
    uint32_t errors = 0;
    if (mask & EV_ERR) {
        if (!CommHandle->ClearCommError(errors)) return Failed(LastSystemError());
        LastErrors = errors;
    }
    if (!(mask & WatchedEvents)) return Failed(0);
    uint32_t status = 0;
    CommHandle->GetCommModemStatus(status);
    Message n;
    n.code = NOTIFY_LINE_EVENT;
    n.lParam = mask | status << 16;
    n.errors = errors;
    return NotifyWindow->Post(std::move(n)) ? Outcome::Armed : Failed(0);
}

TReadThread::Outcome TReadThread::ArmRead() {
    for (;;) {
        if (CloseEvent->IsSet()) return Outcome::Close;
        if (!WaitForRoom()) return Failed(LastSystemError());
        if (CloseEvent->IsSet()) return Outcome::Close;
        const IoResult r = CommHandle->ReadFile(buffer_.get(), kReadSize);
        switch (r.status) {
            case IoStatus::Done:
                if (r.count == 0) {
                    Event* close[] = {CloseEvent};
                    if (WaitAny(close, kEmptyReadPause) == WaitFailed)
                        return Failed(LastSystemError());
                    continue;  // close is seen at the top
                }
                // A close request wins over a read that completed at the same time.
                if (CloseEvent->IsSet()) return Outcome::Close;
                if (Outcome o = HandOff(r.count); o != Outcome::Armed) return o;
                continue;
            case IoStatus::Pending:
                return Outcome::Armed;
            default:
                return Failed(r.error);
        }
    }
}

bool TReadThread::WaitForRoom() {
    Event& room = NotifyWindow->Room();
    if (room.IsSet()) return true;
    // The owner is behind: hold the next read until it has caught up (or close comes; the
    // caller sees it). Nothing is dropped, the device's own buffer holds what arrives.
    Event* list[] = {CloseEvent, &room};
    return WaitAny(list, std::chrono::milliseconds(-1)) >= 0;
}

TReadThread::Outcome TReadThread::HandOff(uint32_t count) {
    if (count > kReadSize) count = kReadSize;
    Message n;
    n.code = NOTIFY_RECEIVED_DATA;
    n.wParam = count;
    n.payload.resize(size_t{count} + 1);  // the zero byte after the chunk
    std::memcpy(n.payload.data(), buffer_.get(), count);
    return NotifyWindow->Post(std::move(n)) ? Outcome::Armed : Failed(0);
}

}  // namespace serial

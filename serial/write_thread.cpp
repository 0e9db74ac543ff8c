#include "write_thread.h"

#include <chrono>

#include "comm_constants.h"
#include "system_error.h"

namespace serial {

namespace {

// How long a write that went out with no byte at all holds the writer back before it tries
// again, so that a device which keeps doing that cannot make it spin, while a close request
// still ends it at once.
constexpr std::chrono::milliseconds kZeroWritePause{10};

}  // namespace

Message WriteRequest(const uint8_t* data, size_t length, uint32_t code) {
    Message request;
    request.code = code;
    request.wParam = static_cast<uint32_t>(length);
    if (length) request.payload.assign(data, data + length);
    return request;
}

TWriteThread::~TWriteThread() {
    Join();
}

void TWriteThread::Execute() {
    Device& device = *CommHandle;
    const bool begun = device.BeginWriter();
    if (!begun) {
        PostFailure(LastSystemError());
    } else if (!Post(NOTIFY_THREAD_READY, 1, 0)) {
        PostFailure(0);
    } else {
        for (;;) {
            std::optional<Message> request = queue_.Pop();
            if (!request) {
                Event* list[] = {CloseEvent, &queue_.Ready()};
                const int w = WaitAny(list, std::chrono::milliseconds(-1));
                if (w == 0) break;
                if (w == 1) continue;
                PostFailure(LastSystemError());
                break;
            }
            // A request taken after the close request is dropped unwritten.
            if (CloseEvent->IsSet()) break;
            if (request->code != REQUEST_WRITE) continue;
            if (!Write(request->payload.data(), static_cast<uint32_t>(request->payload.size())))
                break;
        }
    }
    // From here on QueueWrite is refused: nothing would take its request.
    queue_.Close();
    device.PurgeComm(PURGE_TXABORT | PURGE_TXCLEAR);
    if (begun) device.EndWriter();
}

bool TWriteThread::Write(const uint8_t* data, uint32_t n) {
    uint32_t offset = 0;
    while (offset < n) {
        const uint32_t remaining = n - offset;
        IoResult r = CommHandle->WriteFile(data + offset, remaining);
        switch (r.status) {
            case IoStatus::Done:
                break;
            case IoStatus::InvalidHandle:
                return false;
            case IoStatus::Failed:
                PostFailure(r.error);
                return false;
            case IoStatus::Pending:
                switch (CommHandle->WaitWrite(*CloseEvent)) {
                    case WriterWake::Close:
                        return false;
                    case WriterWake::WriteDone:
                        r = CommHandle->WriteResult();
                        if (r.status == IoStatus::Done) break;
                        if (r.status != IoStatus::InvalidHandle) PostFailure(r.error);
                        return false;
                    case WriterWake::Failed:
                        PostFailure(LastSystemError());
                        return false;
                }
                break;
        }
        if (r.count == 0) {
            Event* close[] = {CloseEvent};
            const int w = WaitAny(close, kZeroWritePause);
            if (w == 0) return false;
            if (w == WaitFailed) {
                PostFailure(LastSystemError());
                return false;
            }
            continue;
        }
        offset += r.count < remaining ? r.count : remaining;
    }
    return true;
}

}  // namespace serial

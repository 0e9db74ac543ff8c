// The Windows device backend: the device layer's operations are the platform's own serial
// calls on a handle opened for overlapped I/O, each outstanding transfer with its own
// overlapped record and manual-reset event.
//
// Two results are mapped rather than passed on, because the threads above must treat them
// as the ordinary outcomes they stand for:
//  - a transfer that ends by its total time-out with ERROR_TIMEOUT (some drivers, and Wine,
//    fail it so where Windows' own driver completes it with what came) is a completion with
//    the bytes it moved, possibly none;
//  - a device that cannot wait for line events (ERROR_NOT_SUPPORTED, ERROR_INVALID_FUNCTION
//    from WaitCommEvent: virtual ports, a terminal behind Wine) is one that reports none; its
//    wait stays pending for good, so that reception goes on.

// Our headers first: the platform's header defines many of their names as macros.
#include "device_win32.h"
#include "comm_constants.h"
#include "device.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace serial {

static_assert(sizeof(DCB) == sizeof(Dcb), "Dcb must keep the platform's layout");
static_assert(offsetof(DCB, BaudRate) == offsetof(Dcb, BaudRate));
static_assert(offsetof(DCB, XonLim) == offsetof(Dcb, XonLim));
static_assert(offsetof(DCB, ByteSize) == offsetof(Dcb, ByteSize));
static_assert(offsetof(DCB, XonChar) == offsetof(Dcb, XonChar));
static_assert(offsetof(DCB, EvtChar) == offsetof(Dcb, EvtChar));
static_assert(offsetof(DCB, wReserved1) == offsetof(Dcb, wReserved1));

bool CannotWaitForLineEvents(int error) {
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
}

IoResult TransferEnded(bool ok, int error, uint32_t count) {
    if (ok || error == ERROR_TIMEOUT) return {IoStatus::Done, count, 0};
    if (error == ERROR_INVALID_HANDLE) return {IoStatus::InvalidHandle, 0, error};
    return {IoStatus::Failed, 0, error};
}

namespace {

// How often, and for how long, a cancelled operation is let go of again while it has not
// ended.
constexpr int kCancelRounds = 250;
constexpr DWORD kCancelRoundMs = 20;

IoResult Pending() {
    return {IoStatus::Pending, 0, 0};
}

int LastError() {
    return static_cast<int>(GetLastError());
}

// What makes the driver give back an outstanding operation besides cancelling it: purging
// its side for a transfer; clearing the event mask for a line-event wait, which completes
// the wait even where a driver ignores the cancel.
void PurgeReads(HANDLE device) {
    ::PurgeComm(device, PURGE_RXABORT | PURGE_RXCLEAR);
}
void PurgeWrites(HANDLE device) {
    ::PurgeComm(device, PURGE_TXABORT | PURGE_TXCLEAR);
}
void ClearEventMask(HANDLE device) {
    ::SetCommMask(device, 0);
}

// One outstanding operation: its record, with a manual-reset event of its own.
class Overlapped {
  public:
    using LetGo = void (*)(HANDLE device);

    explicit Overlapped(LetGo letGo) : letGo_(letGo) {}
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;
    ~Overlapped() { Release(); }

    bool Create(bool signalled) {
        Release();
        record_ = {};
        record_.hEvent = CreateEventA(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr);
        return record_.hEvent != nullptr;
    }
    void Release() {
        if (record_.hEvent != nullptr) CloseHandle(record_.hEvent);
        record_ = {};
        pending_ = false;
    }

    // A fresh record for the next operation: the platform wants the offsets zero.
    OVERLAPPED* Start() {
        HANDLE event = record_.hEvent;
        record_ = {};
        record_.hEvent = event;
        ResetEvent(event);
        return &record_;
    }
    // The operation started on the record did not complete at once.
    void MarkPending() { pending_ = true; }
    bool IsPending() const { return pending_; }
    HANDLE Event() const { return record_.hEvent; }

    // Collects the result; wait: until the operation has finished.
    bool Result(HANDLE device, bool wait, DWORD& count) {
        count = 0;
        const bool ok = GetOverlappedResult(device, &record_, &count, wait ? TRUE : FALSE);
        pending_ = false;
        return ok;
    }
    // The same for a transfer, as the device layer reports it.
    IoResult Collect(HANDLE device, bool wait) {
        DWORD count;
        const bool ok = Result(device, wait, count);
        return TransferEnded(ok, ok ? 0 : LastError(), count);
    }
    // The device layer's result of a transfer just started on the record: done at once
    // (the record holds the count), pending, or refused.
    IoResult Started(HANDLE device, bool done) {
        if (done) return Collect(device, false);
        const int error = LastError();
        if (error != ERROR_IO_PENDING) return TransferEnded(false, error, 0);
        pending_ = true;
        return Pending();
    }

    // Ends an outstanding operation so that its record and buffer may go. Some drivers let a
    // cancelled transfer run on (a write until its total time-out, a minute for a long one)
    // or ignore the cancel of a line-event wait: the driver is told to let go before each
    // cancel, again while the operation has not ended, so that it ends within milliseconds
    // all the same. Only a record the driver provably still holds after all that is waited
    // for without a limit: freeing it would let the driver write into freed memory.
    void Cancel(HANDLE device) {
        if (!pending_) return;
        for (int round = 0; round < kCancelRounds; ++round) {
            letGo_(device);
            CancelIoEx(device, &record_);
            if (WaitForSingleObject(record_.hEvent, kCancelRoundMs) != WAIT_TIMEOUT) break;
        }
        DWORD count;
        Result(device, !HasOverlappedIoCompleted(&record_), count);
    }

  private:
    const LetGo letGo_;
    OVERLAPPED record_{};
    bool pending_ = false;
};

class Win32Device final : public Device {
  public:
    explicit Win32Device(HANDLE handle) : h_(handle) {}
    ~Win32Device() override {
        // The threads have ended their transfers; nothing may still point into this object.
        event_.Cancel(h_);
        read_.Cancel(h_);
        write_.Cancel(h_);
        CloseHandle(h_);
    }
    Win32Device(const Win32Device&) = delete;
    Win32Device& operator=(const Win32Device&) = delete;

    // ---- configuration (owner thread) ----

    bool IsCharacterDevice() override { return GetFileType(h_) == FILE_TYPE_CHAR; }

    bool GetCommState(Dcb& dcb) override {
        DCB d{};
        d.DCBlength = sizeof d;
        if (!::GetCommState(h_, &d)) return false;
        std::memcpy(static_cast<void*>(&dcb), &d, sizeof dcb);
        return true;
    }

    bool SetCommState(const Dcb& dcb) override {
        DCB d;
        std::memcpy(&d, &dcb, sizeof d);
        return ::SetCommState(h_, &d);
    }

    bool SetCommTimeouts(const CommTimeouts& t) override {
        COMMTIMEOUTS c{t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier,
                       t.ReadTotalTimeoutConstant, t.WriteTotalTimeoutMultiplier,
                       t.WriteTotalTimeoutConstant};
        return ::SetCommTimeouts(h_, &c);
    }

    bool SetupComm(uint32_t inQueue, uint32_t outQueue) override {
        return ::SetupComm(h_, inQueue, outQueue);
    }

    bool EscapeCommFunction(uint32_t code) override { return ::EscapeCommFunction(h_, code); }

    bool PurgeComm(uint32_t flags) override { return ::PurgeComm(h_, flags); }

    // ---- reader thread ----

    bool BeginReader() override {
        eventsUnsupported_ = false;
        return read_.Create(false) && event_.Create(false);
    }

    void EndReader() override {
        event_.Cancel(h_);
        read_.Cancel(h_);
        read_.Release();
        event_.Release();
    }

    bool SetCommMask(uint32_t mask) override { return ::SetCommMask(h_, mask); }

    bool GetCommModemStatus(uint32_t& status) override {
        DWORD s = 0;
        const bool ok = ::GetCommModemStatus(h_, &s);
        status = ok ? s : 0;
        return ok;
    }

    bool ClearCommError(uint32_t& errors) override {
        DWORD e = 0;
        const bool ok = ::ClearCommError(h_, &e, nullptr);
        errors = ok ? e : 0;
        return ok;
    }

    IoResult WaitCommEvent(uint32_t& mask) override {
        mask = 0;
        if (eventsUnsupported_) return Pending();
        eventMask_ = 0;
        if (::WaitCommEvent(h_, &eventMask_, event_.Start())) {
            mask = eventMask_;
            return {IoStatus::Done, 0, 0};
        }
        const int error = LastError();
        if (error == ERROR_IO_PENDING) {
            event_.MarkPending();
            return Pending();
        }
        if (CannotWaitForLineEvents(error)) {
            eventsUnsupported_ = true;
            return Pending();
        }
        return TransferEnded(false, error, 0);
    }

    IoResult CommEventResult(uint32_t& mask) override {
        DWORD unused;
        const bool ok = event_.Result(h_, false, unused);
        mask = ok ? eventMask_ : 0;
        if (ok) return {IoStatus::Done, 0, 0};
        const int error = LastError();
        return error == ERROR_INVALID_HANDLE ? IoResult{IoStatus::InvalidHandle, 0, error}
                                             : IoResult{IoStatus::Failed, 0, error};
    }

    IoResult ReadFile(uint8_t* buffer, uint32_t n) override {
        return read_.Started(h_, ::ReadFile(h_, buffer, n, nullptr, read_.Start()));
    }

    IoResult ReadResult() override { return read_.Collect(h_, false); }

    ReaderWake WaitReader(Event& close) override {
        HANDLE list[3] = {close.Handle()};
        ReaderWake wakes[3] = {ReaderWake::Close};
        DWORD n = 1;
        if (event_.IsPending()) {
            list[n] = event_.Event();
            wakes[n++] = ReaderWake::LineEvent;
        }
        if (read_.IsPending()) {
            list[n] = read_.Event();
            wakes[n++] = ReaderWake::ReadDone;
        }
        const DWORD rc = WaitForMultipleObjects(n, list, FALSE, INFINITE);
        return rc < WAIT_OBJECT_0 + n ? wakes[rc - WAIT_OBJECT_0] : ReaderWake::Failed;
    }

    // ---- writer thread ----

    bool BeginWriter() override { return write_.Create(true); }

    void EndWriter() override {
        write_.Cancel(h_);
        write_.Release();
        writeBuffer_.clear();
        writeBuffer_.shrink_to_fit();
    }

    IoResult WriteFile(const uint8_t* data, uint32_t n) override {
        // The driver may read the bytes until the write has finished, which can be after
        // the caller has let go of them (a close request during a pending write): it gets a
        // copy that lives until then.
        writeBuffer_.assign(data, data + n);
        return write_.Started(h_, ::WriteFile(h_, writeBuffer_.data(), n, nullptr, write_.Start()));
    }

    WriterWake WaitWrite(Event& close) override {
        HANDLE list[2] = {close.Handle(), write_.Event()};
        switch (WaitForMultipleObjects(2, list, FALSE, INFINITE)) {
            case WAIT_OBJECT_0:
                return WriterWake::Close;
            case WAIT_OBJECT_0 + 1:
                return WriterWake::WriteDone;
            default:
                return WriterWake::Failed;
        }
    }

    IoResult WriteResult() override { return write_.Collect(h_, true); }

  private:
    const HANDLE h_;

    // Reader thread only.
    Overlapped read_{PurgeReads};
    Overlapped event_{ClearEventMask};
    DWORD eventMask_ = 0;  // written by the platform while the line-event wait is pending
    bool eventsUnsupported_ = false;

    // Writer thread only.
    Overlapped write_{PurgeWrites};
    std::vector<uint8_t> writeBuffer_;
};

}  // namespace

std::unique_ptr<Device> OpenPlatformDevice(const std::string& name, int* error) {
    // The name goes as it is: "//./COM7" and "\\.\COM7" both reach the device namespace.
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (error) *error = h == INVALID_HANDLE_VALUE ? LastError() : 0;
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32Device>(h);
}

}  // namespace serial

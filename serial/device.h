#pragma once
// The device layer: the serial device operations the object and its two threads rely on,
// shaped after the platform's overlapped interface so that the reader and the writer are
// written once. Each platform implements it in its own file (device_posix.cpp,
// device_win32.cpp); tests use a scriptable fake.
//
// A failure says why, as the platform does: an IoResult carries its error, and a bool call
// that returns false or a wait that reports Failed leaves it in the calling thread's system
// error (LastSystemError in system_error.h).
//
// One read, one line-event wait and one write may be outstanding at a time. The reader
// thread alone uses the reader operations, the writer thread alone the writer operations;
// the owner thread uses the configuration operations meanwhile. PurgeComm may be called
// from any thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "dcb.h"
#include "event.h"

namespace serial {

enum class IoStatus {
    Done,           // completed now (or collected after completion); count is valid
    Pending,        // started; the matching Wait... reports its completion
    InvalidHandle,  // the device handle is no longer valid (ERROR_INVALID_HANDLE)
    Failed,         // any other failure; error holds the platform code
};

struct IoResult {
    IoStatus status = IoStatus::Done;
    uint32_t count = 0;
    int error = 0;  // errno on POSIX, GetLastError() on Windows; 0 when not failed
};

enum class ReaderWake { Close, LineEvent, ReadDone, Failed };
enum class WriterWake { Close, WriteDone, Failed };

class Device {
  public:
    virtual ~Device() = default;

    // Owner thread: configuration (GetFileType, GetCommState, SetCommState, ...).
    virtual bool IsCharacterDevice() = 0;
    virtual bool GetCommState(Dcb& dcb) = 0;
    virtual bool SetCommState(const Dcb& dcb) = 0;
    virtual bool SetCommTimeouts(const CommTimeouts& timeouts) = 0;
    virtual bool SetupComm(uint32_t inQueue, uint32_t outQueue) = 0;
    virtual bool EscapeCommFunction(uint32_t code) = 0;
    // Any thread. PURGE_RXABORT / PURGE_TXABORT end that side's pending transfer.
    virtual bool PurgeComm(uint32_t flags) = 0;

    // Reader thread. BeginReader creates the read and line-event records (false: cannot).
    virtual bool BeginReader() = 0;
    virtual void EndReader() = 0;
    virtual bool SetCommMask(uint32_t mask) = 0;
    virtual bool GetCommModemStatus(uint32_t& status) = 0;
    virtual bool ClearCommError(uint32_t& errors) = 0;
    // Done: events are in mask now. Pending: WaitReader reports LineEvent later, and
    // CommEventResult then collects the mask without waiting.
    virtual IoResult WaitCommEvent(uint32_t& mask) = 0;
    virtual IoResult CommEventResult(uint32_t& mask) = 0;
    // A read of up to n bytes into buffer, ended by the read time-outs. Done: count bytes
    // are in buffer now. Pending: WaitReader reports ReadDone later, and ReadResult then
    // collects the count without waiting. buffer stays in use until then.
    virtual IoResult ReadFile(uint8_t* buffer, uint32_t n) = 0;
    virtual IoResult ReadResult() = 0;
    // Waits without a limit for the first of: close set, line event, read done. When several
    // are ready at once, that is also their order of precedence.
    virtual ReaderWake WaitReader(Event& close) = 0;

    // Writer thread. BeginWriter creates the write record (false: cannot).
    virtual bool BeginWriter() = 0;
    virtual void EndWriter() = 0;
    // Done: count bytes (possibly fewer than n) went out now. Pending: WaitWrite reports
    // WriteDone later, and WriteResult then collects the count, waiting for completion.
    virtual IoResult WriteFile(const uint8_t* data, uint32_t n) = 0;
    virtual WriterWake WaitWrite(Event& close) = 0;
    virtual IoResult WriteResult() = 0;
};

// Opens a device by its platform name (the object's PortName), for reading and writing,
// unshared, existing only, for overlapped use. Null on failure, with the system error in
// *error when error is not null (0 on success).
using DeviceOpener = std::function<std::unique_ptr<Device>(const std::string& name, int* error)>;
std::unique_ptr<Device> OpenPlatformDevice(const std::string& name, int* error = nullptr);

// The device a port name stands for: on POSIX the path OpenPlatformDevice opens
// ("//./COM32" is /dev/ttyS31, "ttyUSB0" /dev/ttyUSB0); on Windows the name without its
// "//./" or "\\.\" prefix ("COM32").
std::string PlatformDevicePath(const std::string& portName);
// Whether the system has that device at this moment (a path from PlatformDevicePath): on
// POSIX a character device, less a UART slot that holds no UART (uart_slot.h).
bool DevicePresent(const std::string& device);

}  // namespace serial

#pragma once
// TComm32: owns one serial device, configures it, runs a reader and a writer thread while
// the port is open, and turns what the threads post into handler calls on the owner thread
// (the thread that constructed it).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "comm_error.h"
#include "dcb.h"
#include "device.h"
#include "event.h"
#include "message_queue.h"

namespace serial {

class TReadThread;
class TWriteThread;

class TComm32 {
  public:
    // Handlers are bound callables; an unassigned (empty) handler is skipped.
    using ReceiveDataHandler = std::function<void(const uint8_t* data, uint16_t length)>;
    using NotifyHandler = std::function<void(TComm32& sender)>;
    using LineErrorHandler = std::function<void(uint32_t errors)>;

    // The opener is the device layer's open; tests pass one that makes a fake device.
    explicit TComm32(DeviceOpener opener = OpenPlatformDevice);
    // Closes the port if it is still open; notifications still queued are dropped.
    virtual ~TComm32();
    TComm32(const TComm32&) = delete;
    TComm32& operator=(const TComm32&) = delete;

    // Assignable settings; they take effect at the next OpenPort.
    std::string PortName = "COM2";
    uint32_t InQueueSize = 4096;
    uint32_t OutQueueSize = 4096;

    // Handlers, assignable at any time.
    ReceiveDataHandler OnReceiveData;
    NotifyHandler OnCommFailure;
    NotifyHandler OnLineEvent;
    LineErrorHandler OnLineError;
    NotifyHandler OnBreak, OnCtsChange, OnDsrChange, OnPrinterError, OnRing, OnRlsdChange,
        OnRx80Full, OnTxEmpty;
    NotifyHandler OnCtsOn, OnDsrOn, OnRingOn, OnRlsdOn;
    NotifyHandler OnCtsOff, OnDsrOff, OnRingOff, OnRlsdOff;
    NotifyHandler OnRxFlag;

    // Readable state.
    bool PortOpen() const { return portOpen_; }
    bool ReaderReady() const { return readerReady_; }
    bool WriterReady() const { return writerReady_; }
    uint32_t LastEventMask() const { return lastEventMask_; }
    uint32_t LastModemStatus() const { return lastModemStatus_; }
    // The system error carried by the last failure notification dispatched (errno,
    // GetLastError()), set before OnCommFailure is called; 0 when the worker knew none.
    int LastFailureError() const { return lastFailureError_; }
    const serial::Dcb& Dcb() const { return dcb_; }

    void SetBaudRate(uint32_t baud);
    void SetFlowControl(uint8_t mode);  // 0 none, 1 RTS handshake, 2 RTS toggle, 3 XON/XOFF
    void SetEventChar(char character);

    bool OpenPort();  // raises ECommsError
    // Returns once both workers have ended; what they posted and was not yet dispatched is
    // dropped with them.
    void ClosePort();
    // Copies the bytes at the call; they reach the line whole and in call order.
    bool QueueWrite(const uint8_t* data, uint16_t length);
    bool EscapeFunction(uint32_t code);

    // Owner-loop integration. The event is set while notifications are queued (on POSIX
    // its handle is a pollable descriptor: watch it with the loop's socket notifier);
    // ProcessNotifications dispatches them one by one, in posting order, on the calling
    // (owner) thread. Re-entrant calls from a handler keep the order.
    Event& NotificationEvent();
    void ProcessNotifications();

  protected:
    // Seams for tests: what creates the stop event and what starts a worker thread. A
    // launcher that throws stands for a worker that cannot be created.
    enum class Worker { Reader, Writer };
    virtual std::unique_ptr<Event> CreateCloseEvent();
    virtual std::thread StartWorker(Worker which, std::function<void()> body);

  private:
    // Creates a worker with its fields and starts it; raises ECommsError(message) when it or
    // anything it needs cannot be created.
    template <class Thread>
    std::unique_ptr<Thread> CreateWorker(Worker which, const char* message);
    void HandleNotification(const Message& n);
    void DispatchLineEvent(uint32_t errors);
    void ApplyDcb();
    void Call(const NotifyHandler& handler);

    std::unique_ptr<TReadThread> Reader;
    std::unique_ptr<TWriteThread> Writer;
    std::unique_ptr<Device> CommHandle;
    std::unique_ptr<Event> CloseEvent;
    // Shared with the workers, which post into it; closed when the object goes.
    std::shared_ptr<MessageQueue> NotifyWindow;
    DeviceOpener opener_;

    bool portOpen_ = false;
    bool readerReady_ = false;
    bool writerReady_ = false;
    uint32_t lastEventMask_ = 0;
    uint32_t lastModemStatus_ = 0;
    int lastFailureError_ = 0;
    serial::Dcb dcb_;
};

}  // namespace serial

#include "comm32.h"

#include <iterator>
#include <system_error>
#include <utility>

#include "comm_constants.h"
#include "read_thread.h"
#include "system_error.h"
#include "write_thread.h"

namespace serial {

TComm32::TComm32(DeviceOpener opener)
    : NotifyWindow(std::make_shared<MessageQueue>()), opener_(std::move(opener)) {}

TComm32::~TComm32() {
    ClosePort();
    // What the workers posted and nobody dispatched goes with the object.
    NotifyWindow->Close();
}

std::unique_ptr<Event> TComm32::CreateCloseEvent() {
    return Event::Create(false);
}

std::thread TComm32::StartWorker(Worker, std::function<void()> body) {
    return std::thread(std::move(body));
}

void TComm32::ApplyDcb() {
    if (portOpen_ && CommHandle) CommHandle->SetCommState(dcb_);
}

void TComm32::SetBaudRate(uint32_t baud) {
    dcb_.BaudRate = baud;
    ApplyDcb();
}

void TComm32::SetFlowControl(uint8_t mode) {
    // Modes 0 to 3: software flow control and RTS control; any other mode changes nothing,
    // but the record is still applied.
    static constexpr struct {
        bool xonXoff;
        uint32_t rts;
    } kModes[] = {
        {false, RTS_CONTROL_DISABLE},
        {false, RTS_CONTROL_HANDSHAKE},
        {false, RTS_CONTROL_TOGGLE},
        {true, RTS_CONTROL_DISABLE},
    };
    if (mode < std::size(kModes)) {
        dcb_.Flags &= ~(fOutX | fInX | fRtsControlMask);
        if (kModes[mode].xonXoff) dcb_.Flags |= fOutX | fInX;
        dcb_.Flags |= kModes[mode].rts << fRtsControlShift;
    }
    ApplyDcb();
}

void TComm32::SetEventChar(char character) {
    dcb_.EvtChar = character;
    ApplyDcb();
}

template <class Thread>
std::unique_ptr<Thread> TComm32::CreateWorker(Worker which, const char* message) {
    try {
        // It gets its fields before it starts, so it never runs without them.
        auto worker = std::make_unique<Thread>();
        worker->CommHandle = CommHandle.get();
        worker->CloseEvent = CloseEvent.get();
        worker->NotifyWindow = NotifyWindow;
        worker->Start([this, which](std::function<void()> body) {
            return StartWorker(which, std::move(body));
        });
        return worker;
    } catch (const std::system_error& e) {
        throw ECommsError(message, SystemErrorOf(e.code()), ECommsError::Origin::Worker);
    } catch (const std::exception&) {
        throw ECommsError(message, 0, ECommsError::Origin::Worker);
    }
}

bool TComm32::OpenPort() {
    if (CommHandle) throw ECommsError(kPortAlreadyOpen);
    int error = 0;
    std::unique_ptr<Device> device = opener_ ? opener_(PortName, &error) : nullptr;
    if (!device) throw ECommsError(kCannotOpenPort, error);
    if (!device->IsCharacterDevice()) throw ECommsError(kNotACommPort);
    CommHandle = std::move(device);

    // The device's own record, with our line settings merged in, becomes Dcb.
    serial::Dcb merged = dcb_;
    CommHandle->GetCommState(merged);
    merged.BaudRate = dcb_.BaudRate;
    merged.Flags = dcb_.Flags | fBinary;
    merged.ByteSize = dcb_.ByteSize;
    merged.Parity = dcb_.Parity;
    merged.StopBits = dcb_.StopBits;
    merged.EvtChar = dcb_.EvtChar;
    dcb_ = merged;

    // A read ends 1 ms after the line falls silent; a write of n bytes may take n + 10 ms.
    CommHandle->SetCommTimeouts(CommTimeouts{1, 1, 5, 1, 10});

    portOpen_ = true;
    if (!CommHandle->SetCommState(dcb_)) {
        const int refused = LastSystemError();
        CommHandle.reset();
        portOpen_ = false;
        throw ECommsError(kBadPortSettings, refused);
    }
    CommHandle->SetupComm(InQueueSize, OutQueueSize);

    CloseEvent = CreateCloseEvent();
    if (!CloseEvent) {
        CommHandle.reset();
        portOpen_ = false;
        return false;
    }

    // The reader starts before the writer is created.
    Reader = CreateWorker<TReadThread>(Worker::Reader, kCannotCreateReadThread);
    Writer = CreateWorker<TWriteThread>(Worker::Writer, kCannotCreateWriteThread);
    return true;
}

void TComm32::ClosePort() {
    if (!CommHandle) return;
    // One manual-reset event stops both; each purge ends that side's pending transfer.
    if (Reader) {
        if (CloseEvent) CloseEvent->Set();
        CommHandle->PurgeComm(PURGE_RXABORT | PURGE_RXCLEAR);
        Reader->Join();
        Reader.reset();
    }
    if (Writer) {
        if (CloseEvent) CloseEvent->Set();
        CommHandle->PurgeComm(PURGE_TXABORT | PURGE_TXCLEAR);
        Writer->Join();
        Writer.reset();
    }
    CloseEvent.reset();
    CommHandle.reset();
    portOpen_ = false;
    // Both workers have ended, so everything this opening posted is queued now: none of it
    // is dispatched later, when a reopening (Reset, Set speed) would take an old line's
    // failure or chunk for the new line's.
    NotifyWindow->Drop();
}

bool TComm32::QueueWrite(const uint8_t* data, uint16_t length) {
    if (!Writer || (length && !data)) return false;
    return Writer->Queue().Post(WriteRequest(data, length, REQUEST_WRITE));
}

bool TComm32::EscapeFunction(uint32_t code) {
    // Without a device there is nothing to pass the code to.
    return CommHandle && CommHandle->EscapeCommFunction(code);
}

Event& TComm32::NotificationEvent() {
    return NotifyWindow->Ready();
}

void TComm32::ProcessNotifications() {
    // Only what is queued now: workers that keep posting must not hold the owner's loop
    // here. The event stays set for the rest. One record at a time, so that a handler that
    // runs a nested loop (and comes back here) keeps the order.
    for (size_t budget = NotifyWindow->Size(); budget > 0; --budget) {
        std::optional<Message> n = NotifyWindow->Pop();
        if (!n) break;
        HandleNotification(*n);
    }
}

void TComm32::Call(const NotifyHandler& handler) {
    // A copy, so that a handler may reassign itself while it runs.
    if (NotifyHandler h = handler) h(*this);
}

void TComm32::HandleNotification(const Message& n) {
    switch (n.code) {
        case NOTIFY_RECEIVED_DATA:
            if (ReceiveDataHandler h = OnReceiveData)
                h(n.payload.data(), static_cast<uint16_t>(n.wParam & 0xFFFF));
            break;
        case NOTIFY_COMM_FAILURE:
            lastFailureError_ = n.systemError;
            Call(OnCommFailure);
            break;
        case NOTIFY_THREAD_READY:
            (n.wParam == 0 ? readerReady_ : writerReady_) = true;
            break;
        case NOTIFY_LINE_EVENT:
            lastEventMask_ = n.lParam & 0xFFFF;
            lastModemStatus_ = n.lParam >> 16;
            DispatchLineEvent(n.errors);
            break;
        default:
            break;
    }
}

void TComm32::DispatchLineEvent(uint32_t errors) {
    const uint32_t mask = lastEventMask_;
    const uint32_t status = lastModemStatus_;
    Call(OnLineEvent);
    if ((mask & EV_ERR) && Reader) {
        if (LineErrorHandler h = OnLineError) h(errors);
    }
    if (mask & EV_RXFLAG) Call(OnRxFlag);
    if (mask & EV_BREAK) Call(OnBreak);
    if (mask & EV_TXEMPTY) Call(OnTxEmpty);
    if (mask & EV_RX80FULL) Call(OnRx80Full);
    if (mask & EV_PERR) Call(OnPrinterError);
    // The on/off handler follows the modem status even without a change handler.
    const struct {
        uint32_t event, line;
        const NotifyHandler &change, &on, &off;
    } lines[] = {
        {EV_CTS, MS_CTS_ON, OnCtsChange, OnCtsOn, OnCtsOff},
        {EV_DSR, MS_DSR_ON, OnDsrChange, OnDsrOn, OnDsrOff},
        {EV_RING, MS_RING_ON, OnRing, OnRingOn, OnRingOff},
        {EV_RLSD, MS_RLSD_ON, OnRlsdChange, OnRlsdOn, OnRlsdOff},
    };
    for (const auto& l : lines) {
        if (!(mask & l.event)) continue;
        Call(l.change);
        Call(status & l.line ? l.on : l.off);
    }
}

}  // namespace serial

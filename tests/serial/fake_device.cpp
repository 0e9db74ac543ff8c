#include "fake_device.h"

#include "serial/comm_constants.h"
#include "serial/system_error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace serial::test {

// One opening of the fake port; every call acts on the shared FakePort.
class FakeDevice : public Device {
  public:
    explicit FakeDevice(std::shared_ptr<FakePort> port) : p_(std::move(port)) {
        std::lock_guard lock(p_->mutex_);
        ++p_->live_;
    }
    ~FakeDevice() override {
        std::lock_guard lock(p_->mutex_);
        --p_->live_;
        p_->changed_.notify_all();
    }

    bool IsCharacterDevice() override {
        std::lock_guard lock(p_->mutex_);
        return p_->isChar_;
    }
    bool GetCommState(Dcb& dcb) override {
        std::lock_guard lock(p_->mutex_);
        dcb = p_->deviceState_;
        return true;
    }
    bool SetCommState(const Dcb& dcb) override {
        std::lock_guard lock(p_->mutex_);
        p_->applied_.push_back(dcb);
        return !p_->refuseSetState_ || Failure(false);
    }
    bool SetCommTimeouts(const CommTimeouts& timeouts) override {
        std::lock_guard lock(p_->mutex_);
        p_->timeouts_ = timeouts;
        return true;
    }
    bool SetupComm(uint32_t, uint32_t) override { return true; }
    bool EscapeCommFunction(uint32_t code) override {
        std::lock_guard lock(p_->mutex_);
        p_->escapes_.push_back(code);
        return true;
    }
    bool PurgeComm(uint32_t flags) override {
        std::lock_guard lock(p_->mutex_);
        p_->Count(Call::PurgeComm);
        p_->purges_.push_back(flags);
        // An abort ends that side's pending transfer, which then never completes.
        if (flags & PURGE_RXABORT) p_->readOutstanding_ = false;
        if (flags & PURGE_TXABORT) p_->writePending_ = false;
        p_->UpdateEvents();
        return true;
    }

    bool BeginReader() override { return Simple(Call::BeginReader); }
    void EndReader() override { Simple(Call::EndReader); }
    bool SetCommMask(uint32_t mask) override {
        p_->RunHook(Call::SetCommMask);
        std::lock_guard lock(p_->mutex_);
        p_->Count(Call::SetCommMask);
        p_->masks_.push_back(mask);
        return !p_->Failing(Call::SetCommMask) || Failure(false);
    }
    bool GetCommModemStatus(uint32_t& status) override {
        std::lock_guard lock(p_->mutex_);
        p_->Count(Call::GetCommModemStatus);
        if (p_->Failing(Call::GetCommModemStatus)) return Failure(false);
        status = p_->modem_;
        return true;
    }
    bool ClearCommError(uint32_t& errors) override {
        p_->RunHook(Call::ClearCommError);
        std::lock_guard lock(p_->mutex_);
        p_->Count(Call::ClearCommError);
        if (p_->Failing(Call::ClearCommError)) return Failure(false);
        errors = p_->currentErrors_;
        p_->currentErrors_ = 0;
        return true;
    }
    IoResult WaitCommEvent(uint32_t& mask) override {
        p_->RunHook(Call::WaitCommEvent);
        std::lock_guard lock(p_->mutex_);
        p_->Count(Call::WaitCommEvent);
        if (IoStatus how; p_->Failing(Call::WaitCommEvent, &how)) return {how, 0, kFakeSystemError};
        if (!p_->lineEvents_.empty() && p_->lineEvents_.front().atOnce) {
            mask = TakeLineEvent();
            return {IoStatus::Done, 0, 0};
        }
        p_->lineOutstanding_ = true;
        p_->UpdateEvents();
        return {IoStatus::Pending, 0, 0};
    }
    IoResult CommEventResult(uint32_t& mask) override {
        p_->RunHook(Call::CommEventResult);
        std::lock_guard lock(p_->mutex_);
        p_->Count(Call::CommEventResult);
        if (IoStatus how; p_->Failing(Call::CommEventResult, &how))
            return {how, 0, kFakeSystemError};
        if (!p_->lineOutstanding_ || p_->lineEvents_.empty())
            return {IoStatus::Failed, 0, kFakeSystemError};
        p_->lineOutstanding_ = false;
        mask = TakeLineEvent();
        p_->UpdateEvents();
        return {IoStatus::Done, 0, 0};
    }
    IoResult ReadFile(uint8_t* buffer, uint32_t n) override {
        p_->RunHook(Call::ReadFile);
        std::lock_guard lock(p_->mutex_);
        p_->Count(Call::ReadFile);
        if (IoStatus how; p_->Failing(Call::ReadFile, &how)) return {how, 0, kFakeSystemError};
        if (p_->streamLeft_ > 0) {
            const auto count =
                static_cast<uint32_t>(std::min<uint64_t>({p_->streamLeft_, p_->streamChunk_, n}));
            for (uint32_t i = 0; i < count; ++i)
                buffer[i] = FakePort::StreamByte(p_->streamPos_ + i);
            p_->streamPos_ += count;
            p_->streamLeft_ -= count;
            return {IoStatus::Done, count, 0};
        }
        if (!p_->reads_.empty() && p_->reads_.front().atOnce)
            return {IoStatus::Done, p_->Deliver(buffer, n), 0};
        p_->readOutstanding_ = true;
        p_->readBuffer_ = buffer;
        p_->readSize_ = n;
        p_->UpdateEvents();
        return {IoStatus::Pending, 0, 0};
    }
    IoResult ReadResult() override {
        p_->RunHook(Call::ReadResult);
        std::lock_guard lock(p_->mutex_);
        p_->Count(Call::ReadResult);
        if (IoStatus how; p_->Failing(Call::ReadResult, &how)) return {how, 0, kFakeSystemError};
        if (!p_->readOutstanding_ || p_->reads_.empty())
            return {IoStatus::Failed, 0, kFakeSystemError};
        p_->readOutstanding_ = false;
        const uint32_t count = p_->Deliver(p_->readBuffer_, p_->readSize_);
        p_->UpdateEvents();
        return {IoStatus::Done, count, 0};
    }
    ReaderWake WaitReader(Event& close) override {
        p_->RunHook(Call::WaitReader);
        {
            std::lock_guard lock(p_->mutex_);
            p_->Count(Call::WaitReader);
            if (p_->Failing(Call::WaitReader)) return Failure(ReaderWake::Failed);
        }
        Event* list[] = {&close, p_->lineReady_.get(), p_->readReady_.get()};
        switch (WaitAny(list, std::chrono::milliseconds(-1))) {
            case 0:
                return ReaderWake::Close;
            case 1:
                return ReaderWake::LineEvent;
            case 2:
                return ReaderWake::ReadDone;
            default:
                return ReaderWake::Failed;
        }
    }

    bool BeginWriter() override { return Simple(Call::BeginWriter); }
    void EndWriter() override { Simple(Call::EndWriter); }
    IoResult WriteFile(const uint8_t* data, uint32_t n) override {
        p_->RunHook(Call::WriteFile);
        std::lock_guard lock(p_->mutex_);
        p_->Count(Call::WriteFile);
        if (IoStatus how; p_->Failing(Call::WriteFile, &how)) return {how, 0, kFakeSystemError};
        p_->offered_.emplace_back(data, data + n);
        WriteStep step;
        if (p_->zeroForever_) {
            step.kind = WriteStep::Zero;
        } else if (!p_->steps_.empty()) {
            step = p_->steps_.front();
            p_->steps_.pop_front();
        }
        switch (step.kind) {
            case WriteStep::Whole:
                return {IoStatus::Done, Send(data, n), 0};
            case WriteStep::Short:
                return {IoStatus::Done, Send(data, std::min(n, step.count)), 0};
            case WriteStep::Zero:
                return {IoStatus::Done, 0, 0};
            case WriteStep::Pending:
            case WriteStep::Held:
                p_->writePending_ = true;
                p_->writeHeld_ = step.kind == WriteStep::Held;
                p_->pendingBytes_.assign(data, data + n);
                p_->UpdateEvents();
                return {IoStatus::Pending, 0, 0};
            case WriteStep::Failed:
                return {IoStatus::Failed, 0, kFakeSystemError};
            case WriteStep::InvalidHandle:
                return {IoStatus::InvalidHandle, 0, EBADF};
        }
        return {IoStatus::Failed, 0, kFakeSystemError};
    }
    WriterWake WaitWrite(Event& close) override {
        p_->RunHook(Call::WaitWrite);
        {
            std::lock_guard lock(p_->mutex_);
            p_->Count(Call::WaitWrite);
            if (p_->Failing(Call::WaitWrite)) return Failure(WriterWake::Failed);
        }
        Event* list[] = {&close, p_->writeReady_.get()};
        switch (WaitAny(list, std::chrono::milliseconds(-1))) {
            case 0:
                return WriterWake::Close;
            case 1:
                return WriterWake::WriteDone;
            default:
                return WriterWake::Failed;
        }
    }
    IoResult WriteResult() override {
        p_->RunHook(Call::WriteResult);
        std::lock_guard lock(p_->mutex_);
        p_->Count(Call::WriteResult);
        if (IoStatus how; p_->Failing(Call::WriteResult, &how)) return {how, 0, kFakeSystemError};
        if (!p_->writePending_) return {IoStatus::Failed, 0, kFakeSystemError};
        p_->writePending_ = false;
        const std::vector<uint8_t> bytes = std::move(p_->pendingBytes_);
        p_->UpdateEvents();
        return {IoStatus::Done, Send(bytes.data(), static_cast<uint32_t>(bytes.size())), 0};
    }

  private:
    // A failed result, with its reason where the platform's calls leave it.
    template <class Result>
    static Result Failure(Result result) {
        SetLastSystemError(kFakeSystemError);
        return result;
    }
    bool Simple(Call c) {
        p_->RunHook(c);
        std::lock_guard lock(p_->mutex_);
        p_->Count(c);
        return !p_->Failing(c) || Failure(false);
    }
    // Callers hold the lock.
    uint32_t TakeLineEvent() {
        const FakePort::LineEvent e = p_->lineEvents_.front();
        p_->lineEvents_.pop_front();
        p_->currentErrors_ |= e.errors;
        return e.mask;
    }
    uint32_t Send(const uint8_t* data, uint32_t n) {
        p_->written_.insert(p_->written_.end(), data, data + n);
        p_->changed_.notify_all();
        return n;
    }

    std::shared_ptr<FakePort> p_;
};

std::shared_ptr<FakePort> FakePort::Create() {
    return std::shared_ptr<FakePort>(new FakePort);
}

FakePort::FakePort()
    : lineReady_(Event::Create(false)),
      readReady_(Event::Create(false)),
      writeReady_(Event::Create(false)) {}

DeviceOpener FakePort::Opener() {
    std::weak_ptr<FakePort> weak = shared_from_this();
    return [weak](const std::string& name, int* error) -> std::unique_ptr<Device> {
        auto port = weak.lock();
        if (error) *error = 0;
        if (!port) return nullptr;
        {
            std::lock_guard lock(port->mutex_);
            port->opened_.push_back(name);
            if (port->refuseOpen_) {
                if (error) *error = kFakeSystemError;
                return nullptr;
            }
        }
        return port->MakeDevice();
    };
}

std::unique_ptr<Device> FakePort::MakeDevice() {
    return std::make_unique<FakeDevice>(shared_from_this());
}

void FakePort::RefuseOpen(bool refuse) {
    Set([&] { refuseOpen_ = refuse; });
}
void FakePort::SetCharacterDevice(bool isChar) {
    Set([&] { isChar_ = isChar; });
}
void FakePort::SetDeviceState(const Dcb& dcb) {
    Set([&] { deviceState_ = dcb; });
}
void FakePort::RefuseSetCommState(bool refuse) {
    Set([&] { refuseSetState_ = refuse; });
}
void FakePort::Fail(Call c, IoStatus how) {
    Set([&] { failing_[c] = how; });
}
void FakePort::SetHook(std::function<void(Call)> hook) {
    Set([&] { hook_ = std::move(hook); });
}
void FakePort::SetModemStatus(uint32_t status) {
    Set([&] { modem_ = status; });
}
void FakePort::PushLineEvent(uint32_t mask, uint32_t errors, bool atOnce) {
    Set([&] { lineEvents_.push_back({mask, errors, atOnce}); });
}
void FakePort::PushRead(std::vector<uint8_t> bytes, bool atOnce) {
    Set([&] { reads_.push_back({std::move(bytes), atOnce}); });
}
void FakePort::StreamReads(uint64_t total, uint32_t chunk) {
    Set([&] {
        streamLeft_ = total;
        streamChunk_ = chunk;
    });
}
void FakePort::ScriptWrite(WriteStep step) {
    Set([&] { steps_.push_back(step); });
}
void FakePort::ZeroWritesForever(bool on) {
    Set([&] { zeroForever_ = on; });
}
void FakePort::ReleaseWrite() {
    Set([&] { writeHeld_ = false; });
}

std::vector<std::string> FakePort::OpenedNames() const {
    return Get([&] { return opened_; });
}
int FakePort::LiveDevices() const {
    return Get([&] { return live_; });
}
std::vector<Dcb> FakePort::AppliedStates() const {
    return Get([&] { return applied_; });
}
std::vector<uint32_t> FakePort::Escapes() const {
    return Get([&] { return escapes_; });
}
std::vector<uint32_t> FakePort::Purges() const {
    return Get([&] { return purges_; });
}
std::vector<uint32_t> FakePort::Masks() const {
    return Get([&] { return masks_; });
}
CommTimeouts FakePort::Timeouts() const {
    return Get([&] { return timeouts_; });
}
std::vector<uint8_t> FakePort::Written() const {
    return Get([&] { return written_; });
}
std::vector<std::vector<uint8_t>> FakePort::Offered() const {
    return Get([&] { return offered_; });
}

int FakePort::Calls(Call c) const {
    std::lock_guard lock(mutex_);
    auto it = calls_.find(c);
    return it == calls_.end() ? 0 : it->second;
}

bool FakePort::WaitCalls(Call c, int n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        auto it = calls_.find(c);
        return it != calls_.end() && it->second >= n;
    });
}

bool FakePort::WaitWritten(size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return written_.size() >= n; });
}

void FakePort::UpdateEvents() {
    const auto put = [](Event& e, bool on) { on ? e.Set() : e.Reset(); };
    put(*lineReady_, lineOutstanding_ && !lineEvents_.empty());
    put(*readReady_, readOutstanding_ && !reads_.empty());
    put(*writeReady_, writePending_ && !writeHeld_);
    changed_.notify_all();
}

bool FakePort::Failing(Call c, IoStatus* how) const {
    auto it = failing_.find(c);
    if (it == failing_.end()) return false;
    if (how) *how = it->second;
    return true;
}

void FakePort::Count(Call c) {
    ++calls_[c];
    changed_.notify_all();
}

void FakePort::RunHook(Call c) {
    std::function<void(Call)> hook;
    {
        std::lock_guard lock(mutex_);
        hook = hook_;
    }
    if (hook) hook(c);
}

uint32_t FakePort::Deliver(uint8_t* buffer, uint32_t n) {
    Read& front = reads_.front();
    const uint32_t count = std::min<uint32_t>(n, static_cast<uint32_t>(front.bytes.size()));
    if (count) std::memcpy(buffer, front.bytes.data(), count);
    if (count == front.bytes.size()) {
        reads_.pop_front();
    } else {
        front.bytes.erase(front.bytes.begin(), front.bytes.begin() + count);
    }
    return count;
}

}  // namespace serial::test

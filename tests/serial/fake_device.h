#pragma once
// A scriptable, thread-safe stand-in for a serial device. The state lives in a FakePort that
// the test keeps; the Device objects it makes (one per opening) act on it, so what the
// object and its threads did can still be read after ClosePort has released the device.
// Waits block on real events, like the platform's.

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "serial/device.h"

namespace serial::test {

using namespace std::chrono_literals;

// The system error of every failure the fake reports (a refused opening included).
inline constexpr int kFakeSystemError = EIO;

// The calls a test can make fail, and the ones it can hook or count.
enum class Call {
    BeginReader,
    EndReader,
    SetCommMask,
    GetCommModemStatus,
    ClearCommError,
    WaitCommEvent,
    CommEventResult,
    ReadFile,
    ReadResult,
    WaitReader,
    BeginWriter,
    EndWriter,
    WriteFile,
    WaitWrite,
    WriteResult,
    PurgeComm,
};

// How the next WriteFile behaves (scripted steps are used up in order; after them every
// write goes out whole at once).
struct WriteStep {
    enum Kind { Whole, Short, Zero, Pending, Held, Failed, InvalidHandle } kind = Whole;
    uint32_t count = 0;  // Short: bytes that go out
};

class FakePort : public std::enable_shared_from_this<FakePort> {
  public:
    static std::shared_ptr<FakePort> Create();

    // Opening.
    DeviceOpener Opener();                 // null device while RefuseOpen
    std::unique_ptr<Device> MakeDevice();  // for driving a thread directly
    void RefuseOpen(bool refuse);
    void SetCharacterDevice(bool isChar);
    std::vector<std::string> OpenedNames() const;
    int LiveDevices() const;

    // Configuration: the device's own record, a refused SetCommState, and what was applied.
    void SetDeviceState(const Dcb& dcb);
    void RefuseSetCommState(bool refuse);
    std::vector<Dcb> AppliedStates() const;
    std::vector<uint32_t> Escapes() const;
    std::vector<uint32_t> Purges() const;
    std::vector<uint32_t> Masks() const;
    CommTimeouts Timeouts() const;

    // Every later call of c fails: bool calls return false, I/O calls report how, waits
    // report Failed.
    void Fail(Call c, IoStatus how = IoStatus::Failed);
    // Runs on the calling (worker) thread at the start of the call, outside the fake's lock.
    void SetHook(std::function<void(Call)> hook);
    int Calls(Call c) const;
    bool WaitCalls(Call c, int n, std::chrono::milliseconds timeout = 5s) const;

    // Reader side.
    void SetModemStatus(uint32_t status);
    // A line event; atOnce: WaitCommEvent reports it at once instead of through its wait.
    void PushLineEvent(uint32_t mask, uint32_t errors = 0, bool atOnce = false);
    // A read completion (empty bytes: a read that ended with nothing).
    void PushRead(std::vector<uint8_t> bytes, bool atOnce = false);
    // A flood: the next reads complete at once with chunk bytes each until total have come;
    // byte i of the flood is StreamByte(i).
    void StreamReads(uint64_t total, uint32_t chunk);
    static uint8_t StreamByte(uint64_t i) { return static_cast<uint8_t>(i % 251); }

    // Writer side.
    void ScriptWrite(WriteStep step);
    void ZeroWritesForever(bool on);
    void ReleaseWrite();  // lets a Held write complete
    std::vector<uint8_t> Written() const;
    std::vector<std::vector<uint8_t>> Offered() const;  // the bytes of each WriteFile call
    bool WaitWritten(size_t n, std::chrono::milliseconds timeout = 5s) const;

  private:
    friend class FakeDevice;
    FakePort();
    struct LineEvent {
        uint32_t mask, errors;
        bool atOnce;
    };
    struct Read {
        std::vector<uint8_t> bytes;
        bool atOnce;
    };

    template <class F>
    void Set(F change) {
        std::lock_guard lock(mutex_);
        change();
        UpdateEvents();
    }
    template <class F>
    auto Get(F read) const {
        std::lock_guard lock(mutex_);
        return read();
    }

    // Callers hold mutex_.
    void UpdateEvents();
    bool Failing(Call c, IoStatus* how = nullptr) const;
    void Count(Call c);
    void RunHook(Call c);
    uint32_t Deliver(uint8_t* buffer, uint32_t n);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::function<void(Call)> hook_;
    std::map<Call, IoStatus> failing_;
    std::map<Call, int> calls_;

    bool refuseOpen_ = false, isChar_ = true, refuseSetState_ = false;
    std::vector<std::string> opened_;
    int live_ = 0;
    Dcb deviceState_;
    std::vector<Dcb> applied_;
    std::vector<uint32_t> escapes_, purges_, masks_;
    CommTimeouts timeouts_;

    uint32_t modem_ = 0;
    uint32_t currentErrors_ = 0;
    std::deque<LineEvent> lineEvents_;
    bool lineOutstanding_ = false;
    std::deque<Read> reads_;
    bool readOutstanding_ = false;
    uint64_t streamLeft_ = 0, streamPos_ = 0;
    uint32_t streamChunk_ = 0;
    uint8_t* readBuffer_ = nullptr;
    uint32_t readSize_ = 0;

    std::deque<WriteStep> steps_;
    bool zeroForever_ = false;
    bool writePending_ = false, writeHeld_ = false;
    std::vector<uint8_t> pendingBytes_;
    std::vector<uint8_t> written_;
    std::vector<std::vector<uint8_t>> offered_;

    std::unique_ptr<Event> lineReady_, readReady_, writeReady_;
};

}  // namespace serial::test

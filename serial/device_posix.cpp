// The Linux device backend: a tty opened non-blocking, with the overlapped operations of the
// device layer built from non-blocking reads and writes and ppoll.
//
// Reads are timed here, not by the driver: a read gathers bytes until the line has been
// silent for the read interval after the last byte, until the buffer is full, or until its
// total time-out, counted from the chunk's first byte: a read never completes empty (that
// would only make the reader read again), and however long the line was quiet before a
// burst, the burst is not cut. ppoll with timespec deadlines and a 1 ns timer slack on the
// reader thread keeps a reply's delivery about 1.1 ms after its last byte.
//
// Modem lines and line-error counters are sampled every 20 ms, and only on a device that
// has them; a pseudo-terminal has neither, so its reader sleeps until data or close come.

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "comm_constants.h"
#include "device.h"
#include "device_posix.h"
#include "wait_posix.h"

namespace serial {

namespace {

constexpr Nanos kLinePollPeriod = 20 * kMilli;
constexpr uint32_t kMaxDword = 0xFFFFFFFF;

constexpr uint32_t kLineChangeEvents = EV_CTS | EV_DSR | EV_RING | EV_RLSD;
constexpr uint32_t kLineErrorEvents = EV_ERR | EV_BREAK;

int RetryIoctl(int fd, unsigned long request, void* arg) {
    return RetryOnEintr([&] { return ioctl(fd, request, arg); });
}

// Errors that mean the device itself is gone (adapter pulled, terminal hung up).
bool IsVanished(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

IoResult Ok(uint32_t count) {
    return {IoStatus::Done, count, 0};
}
IoResult Pending() {
    return {IoStatus::Pending, 0, 0};
}
IoResult Failure(int error) {
    return {error == EBADF ? IoStatus::InvalidHandle : IoStatus::Failed, 0, error};
}

class PosixDevice final : public Device {
  public:
    PosixDevice(int fd, bool isChar, std::unique_ptr<Event> rxAbort, std::unique_ptr<Event> txAbort)
        : fd_(fd), isChar_(isChar), rxAbort_(std::move(rxAbort)), txAbort_(std::move(txAbort)) {
        if (isChar_) {
            // Root may still open an exclusive terminal; the flock taken at opening covers it.
            exclusive_ = ioctl(fd_, TIOCEXCL) == 0;
            int lines = 0;
            hasLines_ = ioctl(fd_, TIOCMGET, &lines) == 0;
            serial_icounter_struct counts{};
            hasCounters_ = ioctl(fd_, TIOCGICOUNT, &counts) == 0;
        }
        // What the device carries before anyone sets it: opening raised DTR and RTS.
        dcb_.Flags = fBinary | (DTR_CONTROL_ENABLE << fDtrControlShift) |
                     (RTS_CONTROL_ENABLE << fRtsControlShift);
        dcb_.XonLim = 2048;
        dcb_.XoffLim = 512;
    }

    ~PosixDevice() override {
        // The flag outlives this descriptor on the terminal: without clearing it, the next
        // opener (not privileged) would be refused.
        if (exclusive_) ioctl(fd_, TIOCNXCL);
        close(fd_);
    }

    PosixDevice(const PosixDevice&) = delete;
    PosixDevice& operator=(const PosixDevice&) = delete;

    // ---- configuration (owner thread) ----

    bool IsCharacterDevice() override { return isChar_; }

    bool GetCommState(Dcb& dcb) override {
        std::lock_guard lock(settingsMutex_);
        termios t{};
        if (tcgetattr(fd_, &t) != 0) return false;
        Dcb d = dcb_;
        TermiosToDcb(t, d);
        uint32_t baud = 0;
        d.BaudRate = GetActualBaud(fd_, baud) ? baud : SpeedToBaud(cfgetospeed(&t));
        d.DCBlength = sizeof(Dcb);
        dcb = d;
        return true;
    }

    // Refused: errno tells why (EINVAL for settings the line cannot take).
    bool SetCommState(const Dcb& dcb) override {
        if (!IsValidDcb(dcb)) return FailWith(EINVAL, false);
        std::lock_guard lock(settingsMutex_);
        termios old{};
        if (tcgetattr(fd_, &old) != 0) return false;
        termios t = old;
        DcbToTermios(dcb, t);
        const speed_t speed = StandardSpeed(dcb.BaudRate);
        if (speed != 0 && (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0))
            return false;
        if (tcsetattr(fd_, TCSANOW, &t) != 0) return false;
        // tcsetattr succeeds when any part was taken: check that the framing and the rate
        // are what was asked, and put the old settings back if not.
        constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
        termios now{};
        bool taken = speed != 0 || SetArbitraryBaud(fd_, dcb.BaudRate);
        taken = taken && tcgetattr(fd_, &now) == 0 &&
                (now.c_cflag & kFraming) == (t.c_cflag & kFraming) &&
                (speed == 0 || cfgetospeed(&now) == speed);
        if (!taken) {
            tcsetattr(fd_, TCSANOW, &old);
            return FailWith(EINVAL, false);
        }
        // Lines move only when their mode changes, as on the platform the record comes from:
        // a rate change must not drop an RTS that the owner raised.
        const uint32_t rts = RtsControlOf(dcb);
        const uint32_t dtr = DtrControlOf(dcb);
        if (!applied_ || rts != RtsControlOf(dcb_)) ApplyRtsControl(rts);
        if (!applied_ || dtr != DtrControlOf(dcb_)) SetLine(TIOCM_DTR, dtr != DTR_CONTROL_DISABLE);
        applied_ = true;
        dcb_ = dcb;
        evtChar_.store(dcb.EvtChar, std::memory_order_relaxed);
        parityMarks_.store((t.c_iflag & PARMRK) != 0, std::memory_order_relaxed);
        return true;
    }

    bool SetCommTimeouts(const CommTimeouts& timeouts) override {
        readInterval_.store(timeouts.ReadIntervalTimeout, std::memory_order_relaxed);
        readMultiplier_.store(timeouts.ReadTotalTimeoutMultiplier, std::memory_order_relaxed);
        readConstant_.store(timeouts.ReadTotalTimeoutConstant, std::memory_order_relaxed);
        return true;
    }

    // The kernel sizes its own queues.
    bool SetupComm(uint32_t, uint32_t) override { return true; }

    bool EscapeCommFunction(uint32_t code) override {
        switch (code) {
            case SETXOFF:
                return tcflow(fd_, TCOOFF) == 0;
            case SETXON:
                return tcflow(fd_, TCOON) == 0;
            case SETRTS:
                return hasLines_ && SetLine(TIOCM_RTS, true);
            case CLRRTS:
                return hasLines_ && SetLine(TIOCM_RTS, false);
            case SETDTR:
                return hasLines_ && SetLine(TIOCM_DTR, true);
            case CLRDTR:
                return hasLines_ && SetLine(TIOCM_DTR, false);
            // A pseudo-terminal accepts a break and does nothing with it: say so.
            case SETBREAK:
                return hasLines_ && RetryIoctl(fd_, TIOCSBRK, nullptr) == 0;
            case CLRBREAK:
                return hasLines_ && RetryIoctl(fd_, TIOCCBRK, nullptr) == 0;
            default:
                return false;
        }
    }

    bool PurgeComm(uint32_t flags) override {
        bool ok = true;
        if (flags & PURGE_TXABORT) txAbort_->Set();
        if (flags & PURGE_RXABORT) rxAbort_->Set();
        if ((flags & PURGE_TXCLEAR) && tcflush(fd_, TCOFLUSH) != 0) ok = false;
        if ((flags & PURGE_RXCLEAR) && tcflush(fd_, TCIFLUSH) != 0) ok = false;
        return ok;
    }

    // ---- reader thread ----

    bool BeginReader() override {
        savedSlack_ = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        read_ = {};
        markState_ = kMarkNone;
        eventWait_ = false;
        events_ = 0;
        return true;
    }

    void EndReader() override {
        read_ = {};
        eventWait_ = false;
        if (savedSlack_ > 0)
            prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(savedSlack_), 0, 0, 0);
    }

    bool SetCommMask(uint32_t mask) override {
        mask_ = mask;
        events_ = 0;
        // Changes are counted from now on.
        if (hasLines_ && ioctl(fd_, TIOCMGET, &lines_) != 0) lines_ = 0;
        if (hasCounters_ && ioctl(fd_, TIOCGICOUNT, &counters_) != 0) counters_ = {};
        nextLinePoll_ = MonotonicNow() + kLinePollPeriod;
        return true;
    }

    bool GetCommModemStatus(uint32_t& status) override {
        status = 0;
        if (!hasLines_) return isChar_;
        int lines = 0;
        if (RetryIoctl(fd_, TIOCMGET, &lines) != 0) return false;
        status = ModemStatusOf(lines);
        return true;
    }

    bool ClearCommError(uint32_t& errors) override {
        errors = errors_;
        errors_ = 0;
        return true;
    }

    IoResult WaitCommEvent(uint32_t& mask) override {
        mask = events_ & mask_;
        if (mask != 0) {
            events_ &= ~mask;
            return Ok(0);
        }
        eventWait_ = true;
        return Pending();
    }

    IoResult CommEventResult(uint32_t& mask) override {
        mask = events_ & mask_;
        events_ &= ~mask;
        eventWait_ = false;
        return Ok(0);
    }

    IoResult ReadFile(uint8_t* buffer, uint32_t n) override {
        if (const int e = vanished_.load()) return Failure(e);
        if (n == 0) return Ok(0);
        rxAbort_->Reset();
        read_ = {};
        read_.buffer = buffer;
        read_.size = n;
        read_.active = true;
        Pull();
        const bool immediate = readInterval_.load(std::memory_order_relaxed) == kMaxDword &&
                               readMultiplier_.load(std::memory_order_relaxed) == 0 &&
                               readConstant_.load(std::memory_order_relaxed) == 0;
        if (read_.count == n || (read_.count == 0 && read_.error != 0) ||
            (immediate && read_.error == 0)) {
            read_.active = false;
            return read_.error != 0 && read_.count == 0 ? Failure(read_.error) : Ok(read_.count);
        }
        return Pending();
    }

    IoResult ReadResult() override {
        const Read r = read_;
        read_ = {};
        if (r.aborted) return Failure(ECANCELED);
        if (r.count == 0 && r.error != 0) return Failure(r.error);
        return Ok(r.count);
    }

    ReaderWake WaitReader(Event& close) override {
        for (;;) {
            const bool reading = read_.active && !read_.done;
            const bool linesPolled = LinesPolled();
            const bool ready = (eventWait_ && (events_ & mask_)) || (read_.active && read_.done);
            Nanos deadline = ready ? 0 : kNever;
            if (!ready && reading) deadline = ReadDeadline();
            if (!ready && linesPolled && nextLinePoll_ < deadline) deadline = nextLinePoll_;

            pollfd fds[3] = {{close.Handle(), POLLIN, 0},
                             {rxAbort_->Handle(), POLLIN, 0},
                             {reading ? fd_ : -1, POLLIN, 0}};
            if (PollUntil(fds, 3, deadline) < 0) return ReaderWake::Failed;
            if (fds[0].revents & POLLIN) return ReaderWake::Close;
            if (fds[0].revents || (fds[1].revents & (POLLERR | POLLNVAL)))
                return FailWith(EBADF, ReaderWake::Failed);
            if (fds[1].revents & POLLIN) {
                if (read_.active) {
                    read_.aborted = true;
                    read_.done = true;
                } else {
                    rxAbort_->Reset();  // nothing to abort; do not wake on it again
                }
            }
            if (fds[2].revents & POLLNVAL) return FailWith(EBADF, ReaderWake::Failed);
            if (fds[2].revents) {
                Pull();
                // Hung up or in error with nothing left to read: it will not come back.
                if (!read_.done && (fds[2].revents & (POLLHUP | POLLERR))) Vanish(EIO);
            }

            const Nanos now = MonotonicNow();
            if (linesPolled && now >= nextLinePoll_) {
                PollLines();
                nextLinePoll_ = now + kLinePollPeriod;
            }
            if (read_.active && !read_.done && read_.count > 0 && now >= ReadDeadline())
                read_.done = true;

            if (eventWait_ && (events_ & mask_)) return ReaderWake::LineEvent;
            if (read_.active && read_.done) return ReaderWake::ReadDone;
            // Nothing left that could complete: the device has gone.
            if (!read_.active && vanished_.load())
                return FailWith(vanished_.load(), ReaderWake::Failed);
        }
    }

    // ---- writer thread ----

    bool BeginWriter() override {
        write_ = {};
        return true;
    }

    void EndWriter() override { write_ = {}; }

    IoResult WriteFile(const uint8_t* data, uint32_t n) override {
        if (n == 0) return Ok(0);
        txAbort_->Reset();
        write_ = {};
        const ssize_t w = WriteSome(data, n);
        if (w >= 0) return Ok(static_cast<uint32_t>(w));
        if (errno != EAGAIN) return Failure(errno);
        write_ = {data, n, true, false, nullptr};
        return Pending();
    }

    WriterWake WaitWrite(Event& close) override {
        write_.close = &close;
        pollfd fds[3] = {
            {close.Handle(), POLLIN, 0}, {txAbort_->Handle(), POLLIN, 0}, {fd_, POLLOUT, 0}};
        if (PollUntil(fds, 3, kNever) < 0) return WriterWake::Failed;
        if (fds[0].revents & POLLIN) return WriterWake::Close;
        if (fds[0].revents || (fds[1].revents & (POLLERR | POLLNVAL)))
            return FailWith(EBADF, WriterWake::Failed);
        if (fds[1].revents & POLLIN) write_.aborted = true;
        if (fds[2].revents & POLLNVAL) return FailWith(EBADF, WriterWake::Failed);
        return WriterWake::WriteDone;  // writable, or hung up: WriteResult tells which
    }

    IoResult WriteResult() override {
        const Write w = write_;
        write_ = {};
        if (!w.pending) return Ok(0);
        if (w.aborted) return Failure(ECANCELED);
        for (;;) {
            const ssize_t n = WriteSome(w.data, w.size);
            if (n >= 0) return Ok(static_cast<uint32_t>(n));
            if (errno != EAGAIN) return Failure(errno);
            // Readiness went to another writer in between: wait again, still giving way to
            // close (0 bytes: the writer then notices close) and to an abort.
            pollfd fds[3] = {{w.close ? w.close->Handle() : -1, POLLIN, 0},
                             {txAbort_->Handle(), POLLIN, 0},
                             {fd_, POLLOUT, 0}};
            if (PollUntil(fds, 3, kNever) < 0) return Failure(errno);
            if (fds[0].revents) return Ok(0);
            if (fds[1].revents) return Failure(ECANCELED);
        }
    }

  private:
    struct Read {
        uint8_t* buffer = nullptr;
        uint32_t size = 0;
        uint32_t count = 0;
        Nanos firstByte = 0;
        Nanos lastByte = 0;
        int error = 0;
        bool active = false;
        bool done = false;
        bool aborted = false;
    };

    struct Write {
        const uint8_t* data = nullptr;
        uint32_t size = 0;
        bool pending = false;
        bool aborted = false;
        Event* close = nullptr;
    };

    // A failed result with its reason left in errno, as the platform's calls leave it.
    template <class Result>
    static Result FailWith(int error, Result result) {
        errno = error;
        return result;
    }

    static uint32_t ModemStatusOf(int lines) {
        uint32_t status = 0;
        if (lines & TIOCM_CTS) status |= MS_CTS_ON;
        if (lines & TIOCM_DSR) status |= MS_DSR_ON;
        if (lines & TIOCM_RNG) status |= MS_RING_ON;
        if (lines & TIOCM_CAR) status |= MS_RLSD_ON;
        return status;
    }

    bool SetLine(int line, bool on) {
        return RetryIoctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line) == 0;
    }

    // Toggle: the nearest Linux has is the RS-485 mode of drivers that support it, where the
    // driver raises RTS for each transmission and drops it after. Elsewhere RTS stays off, as
    // it would between two transmissions.
    void ApplyRtsControl(uint32_t mode) {
        if (mode == RTS_CONTROL_TOGGLE) {
            serial_rs485 rs{};
            rs.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
            rs485_ = RetryIoctl(fd_, TIOCSRS485, &rs) == 0;
            if (!rs485_) SetLine(TIOCM_RTS, false);
            return;
        }
        if (rs485_) {
            serial_rs485 rs{};
            RetryIoctl(fd_, TIOCSRS485, &rs);
            rs485_ = false;
        }
        // Handshake: the driver drives RTS from here on; raise it to start with.
        SetLine(TIOCM_RTS, mode != RTS_CONTROL_DISABLE);
    }

    ssize_t WriteSome(const uint8_t* data, uint32_t n) {
        const ssize_t w = RetryOnEintr([&] { return write(fd_, data, n); });
        if (w < 0 && IsVanished(errno)) vanished_.store(errno);
        return w;
    }

    // Takes what the device holds into the current read.
    void Pull() {
        const char flag = evtChar_.load(std::memory_order_relaxed);
        const bool marked = parityMarks_.load(std::memory_order_relaxed);
        while (read_.count < read_.size) {
            uint8_t* at = read_.buffer + read_.count;
            // What a read returns was already waiting when it began (the wake-up said so):
            // the silence is counted from then, not from the end of the call.
            const Nanos asked = MonotonicNow();
            const ssize_t r = RetryOnEintr([&] { return read(fd_, at, read_.size - read_.count); });
            if (r > 0) {
                const size_t n = marked ? UnmarkParity(at, static_cast<size_t>(r), markState_)
                                        : static_cast<size_t>(r);
                if (read_.count == 0) read_.firstByte = asked;
                read_.count += static_cast<uint32_t>(n);
                read_.lastByte = asked;
                if ((mask_ & EV_RXFLAG) && std::memchr(at, flag, n)) events_ |= EV_RXFLAG;
                continue;
            }
            if (r < 0 && errno == EAGAIN) return;
            // End of file on a terminal: it was hung up (the other side of a pseudo-terminal
            // closed, an adapter pulled).
            read_.error = r == 0 ? EIO : errno;
            if (IsVanished(read_.error)) vanished_.store(read_.error);
            break;
        }
        read_.done = true;  // full, or the device failed
    }

    // When the read being gathered ends by its time-outs.
    Nanos ReadDeadline() const {
        if (read_.count == 0) return kNever;
        const uint32_t interval = readInterval_.load(std::memory_order_relaxed);
        const uint64_t total =
            uint64_t{readMultiplier_.load(std::memory_order_relaxed)} * read_.size +
            readConstant_.load(std::memory_order_relaxed);
        Nanos deadline = kNever;
        if (interval != 0 && interval != kMaxDword) deadline = read_.lastByte + interval * kMilli;
        if (total != 0 && read_.firstByte + static_cast<Nanos>(total) * kMilli < deadline)
            deadline = read_.firstByte + static_cast<Nanos>(total) * kMilli;
        return deadline;
    }

    bool LinesPolled() const {
        return (hasLines_ && (mask_ & kLineChangeEvents)) ||
               (hasCounters_ && (mask_ & kLineErrorEvents));
    }

    // Turns changes of the modem lines and of the error counters into line events.
    void PollLines() {
        uint32_t events = 0;
        if (hasLines_ && (mask_ & kLineChangeEvents)) {
            int lines = 0;
            if (RetryIoctl(fd_, TIOCMGET, &lines) == 0) {
                const int changed = lines ^ lines_;
                lines_ = lines;
                if (changed & TIOCM_CTS) events |= EV_CTS;
                if (changed & TIOCM_DSR) events |= EV_DSR;
                if (changed & TIOCM_RNG) events |= EV_RING;
                if (changed & TIOCM_CAR) events |= EV_RLSD;
            } else if (IsVanished(errno)) {
                Vanish(errno);
            }
        }
        if (hasCounters_ && (mask_ & kLineErrorEvents)) {
            serial_icounter_struct c{};
            if (RetryIoctl(fd_, TIOCGICOUNT, &c) == 0) {
                uint32_t errors = 0;
                if (c.frame != counters_.frame) errors |= CE_FRAME;
                if (c.parity != counters_.parity) errors |= CE_RXPARITY;
                if (c.overrun != counters_.overrun) errors |= CE_OVERRUN;
                if (c.buf_overrun != counters_.buf_overrun) errors |= CE_RXOVER;
                if (errors) events |= EV_ERR;
                if (c.brk != counters_.brk) {
                    errors |= CE_BREAK;
                    events |= EV_BREAK;
                }
                errors_ |= errors;
                counters_ = c;
            } else if (IsVanished(errno)) {
                Vanish(errno);
            }
        }
        events_ |= events & mask_;
    }

    void Vanish(int error) {
        vanished_.store(error);
        if (read_.active && !read_.done) {
            if (read_.count == 0) read_.error = error;
            read_.done = true;
        }
    }

    const int fd_;
    const bool isChar_;
    bool exclusive_ = false;
    bool hasLines_ = false;
    bool hasCounters_ = false;
    const std::unique_ptr<Event> rxAbort_;
    const std::unique_ptr<Event> txAbort_;
    std::atomic<int> vanished_{0};  // errno once the device has gone

    // Settings: written by the owner, the event character and time-outs read by the reader.
    std::mutex settingsMutex_;
    Dcb dcb_;
    bool applied_ = false;
    bool rs485_ = false;
    std::atomic<char> evtChar_{0};
    std::atomic<bool> parityMarks_{false};  // the terminal marks bytes with errors (PARMRK)
    std::atomic<uint32_t> readInterval_{0};
    std::atomic<uint32_t> readMultiplier_{0};
    std::atomic<uint32_t> readConstant_{0};

    // Reader thread only.
    int markState_ = kMarkNone;
    int savedSlack_ = 0;
    Read read_;
    uint32_t mask_ = 0;
    uint32_t events_ = 0;
    uint32_t errors_ = 0;
    bool eventWait_ = false;
    int lines_ = 0;
    serial_icounter_struct counters_{};
    Nanos nextLinePoll_ = 0;

    // Writer thread only.
    Write write_;
};

int OpenDescriptor(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 || errno != EISDIR) return fd;
    // A directory cannot be opened for writing; open it for reading so that the type check
    // names it for what it is.
    return open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | O_DIRECTORY);
}

std::unique_ptr<Device> OpenDevice(const std::string& name, int& error) {
    const std::string path = PlatformDevicePath(name);
    if (path.empty()) {
        error = ENOENT;
        return nullptr;
    }
    const int fd = OpenDescriptor(path);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    struct stat st {};
    // Unshared: a second opener, in this process or another, is refused.
    std::unique_ptr<Event> rxAbort, txAbort;
    if (fstat(fd, &st) == 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 && (rxAbort = Event::Create()) &&
        (txAbort = Event::Create()))
        return std::make_unique<PosixDevice>(fd, S_ISCHR(st.st_mode), std::move(rxAbort),
                                             std::move(txAbort));
    error = errno;
    close(fd);
    return nullptr;
}

}  // namespace

std::unique_ptr<Device> OpenPlatformDevice(const std::string& name, int* error) {
    int failure = 0;
    std::unique_ptr<Device> device = OpenDevice(name, failure);
    if (error) *error = device ? 0 : failure;
    return device;
}

}  // namespace serial

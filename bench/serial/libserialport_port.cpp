// libserialport as its documentation recommends for event-driven reception: a reading thread
// waits with sp_wait on an RX_READY event set and reads what is there without blocking; the
// chunks go to the owner thread through a queue. Writes go out from a writing thread with
// sp_blocking_write, so that the owner never blocks on a full line.
#include <libserialport.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "bench_port.h"
#include "libserialport_stand_in.h"

namespace bench {

namespace {

// How long each thread's wait lasts before it looks at the stop flag again (the library
// cannot be woken from outside); it bounds Close's time and costs a few wake-ups a second.
constexpr unsigned kWaitMs = 50;

class LibserialportBenchPort final : public BenchPort {
  public:
    ~LibserialportBenchPort() override { Close(); }

    bool Open(const std::string& path) override {
        // The library looks a port up in sysfs and reads its modem lines at opening; a
        // pseudo-terminal has neither, so it opens the terminal under a serial port's name
        // with its modem lines answered (see the stand-in). Without one it is refused here,
        // and the table says so.
        standIn_ = std::make_unique<SerialNameStandIn>(path);
        const std::string name = standIn_->Path().empty() ? path : standIn_->Path();
        if (sp_get_port_by_name(name.c_str(), &port_) != SP_OK) {
            standIn_.reset();
            return Refused("sp_get_port_by_name");
        }
        if (sp_open(port_, SP_MODE_READ_WRITE) != SP_OK) {
            Refused("sp_open");
            sp_free_port(port_);
            port_ = nullptr;
            standIn_.reset();
            return false;
        }
        sp_set_baudrate(port_, 9600);
        sp_set_bits(port_, 8);
        sp_set_parity(port_, SP_PARITY_NONE);
        sp_set_stopbits(port_, 1);
        sp_set_flowcontrol(port_, SP_FLOWCONTROL_NONE);
        stop_ = false;
        reader_ = std::thread([this] { ReadLoop(); });
        writer_ = std::thread([this] { WriteLoop(); });
        return true;
    }

    void Close() override {
        if (!port_) return;
        stop_ = true;
        {
            std::lock_guard lock(mutex_);
            outgoing_.clear();
        }
        writeCv_.notify_all();
        reader_.join();
        writer_.join();
        sp_close(port_);
        sp_free_port(port_);
        port_ = nullptr;
        standIn_.reset();
        incoming_.clear();
    }

    bool Send(const uint8_t* data, size_t length) override {
        if (!port_) return false;
        {
            std::lock_guard lock(mutex_);
            outgoing_.emplace_back(data, data + length);
        }
        writeCv_.notify_one();
        return true;
    }

    void Pump(std::chrono::milliseconds timeout) override {
        std::deque<std::vector<uint8_t>> chunks;
        {
            std::unique_lock lock(mutex_);
            readCv_.wait_for(lock, timeout, [this] { return !incoming_.empty(); });
            chunks.swap(incoming_);
        }
        for (const auto& c : chunks)
            if (onData) onData(c.data(), c.size());
    }

  private:
    static bool Refused(const char* call) {
        char* message = sp_last_error_message();
        std::fprintf(stderr, "libserialport: %s: %s\n", call, message);
        sp_free_error_message(message);
        return false;
    }

    void ReadLoop() {
        sp_event_set* events = nullptr;
        if (sp_new_event_set(&events) != SP_OK) return;
        sp_add_port_events(events, port_, SP_EVENT_RX_READY);
        std::vector<uint8_t> buffer(65536);
        while (!stop_) {
            if (sp_wait(events, kWaitMs) != SP_OK) break;
            const int n = sp_nonblocking_read(port_, buffer.data(), buffer.size());
            if (n < 0) break;
            if (n == 0) continue;
            {
                std::lock_guard lock(mutex_);
                incoming_.emplace_back(buffer.begin(), buffer.begin() + n);
            }
            readCv_.notify_one();
        }
        sp_free_event_set(events);
    }

    void WriteLoop() {
        for (;;) {
            std::vector<uint8_t> block;
            {
                std::unique_lock lock(mutex_);
                writeCv_.wait(lock, [this] { return stop_ || !outgoing_.empty(); });
                if (stop_) return;
                block = std::move(outgoing_.front());
                outgoing_.pop_front();
            }
            size_t at = 0;
            while (at < block.size() && !stop_) {
                const int n =
                    sp_blocking_write(port_, block.data() + at, block.size() - at, kWaitMs);
                if (n < 0) return;
                at += static_cast<size_t>(n);
            }
        }
    }

    sp_port* port_ = nullptr;
    std::unique_ptr<SerialNameStandIn> standIn_;
    std::atomic<bool> stop_{false};
    std::thread reader_, writer_;
    std::mutex mutex_;
    std::condition_variable readCv_, writeCv_;
    std::deque<std::vector<uint8_t>> incoming_, outgoing_;
};

}  // namespace

std::unique_ptr<BenchPort> MakeLibserialportPort() {
    return std::make_unique<LibserialportBenchPort>();
}

}  // namespace bench

// Our serial port object behind the benchmark's interface.
#include <utility>

#include "bench_port.h"
#include "serial/comm32.h"
#include "serial/event.h"

namespace bench {

namespace {

class Comm32Port final : public BenchPort {
  public:
    Comm32Port() {
        comm_.SetFlowControl(0);
        comm_.SetEventChar(0);
        comm_.OnReceiveData = [this](const uint8_t* data, uint16_t length) {
            if (onData) onData(data, length);
        };
    }

    bool Open(const std::string& path) override {
        comm_.PortName = "//./" + path;
        try {
            if (!comm_.OpenPort()) return false;
        } catch (const serial::ECommsError&) {
            return false;
        }
        // As the console does: a command goes out only once the writer takes requests.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!(comm_.ReaderReady() && comm_.WriterReady()) &&
               std::chrono::steady_clock::now() < deadline)
            Pump(std::chrono::milliseconds(10));
        return comm_.ReaderReady() && comm_.WriterReady();
    }

    void Close() override { comm_.ClosePort(); }

    bool Send(const uint8_t* data, size_t length) override {
        while (length > 0) {
            const uint16_t part = length > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(length);
            if (!comm_.QueueWrite(data, part)) return false;
            data += part;
            length -= part;
        }
        return true;
    }

    void Pump(std::chrono::milliseconds timeout) override {
        serial::Event* ready[] = {&comm_.NotificationEvent()};
        serial::WaitAny(ready, timeout);
        comm_.ProcessNotifications();
    }

  private:
    serial::TComm32 comm_;
};

}  // namespace

std::unique_ptr<BenchPort> MakeComm32Port() {
    return std::make_unique<Comm32Port>();
}

}  // namespace bench

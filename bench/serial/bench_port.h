#pragma once
// What the benchmark drives: one serial port implementation, seen from its owner thread.
// Each implementation compared (ours, and general-purpose serial libraries as peers) gets an
// adapter of its own; the measurements only use this interface.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace bench {

class BenchPort {
  public:
    virtual ~BenchPort() = default;
    // Called on the owner thread (inside Pump) with each chunk received.
    std::function<void(const uint8_t* data, size_t length)> onData;

    virtual bool Open(const std::string& path) = 0;
    virtual void Close() = 0;
    // Hands bytes to the port for sending; they may go out later.
    virtual bool Send(const uint8_t* data, size_t length) = 0;
    // Runs the owner's side: waits up to timeout for something to arrive and delivers it.
    virtual void Pump(std::chrono::milliseconds timeout) = 0;
};

struct Implementation {
    std::string name;
    std::function<std::unique_ptr<BenchPort>()> make;
};

// Every implementation the benchmark knows, in table order: ours first.
std::vector<Implementation> Implementations();

// The adapters, one per implementation (each in its own file).
std::unique_ptr<BenchPort> MakeComm32Port();
std::unique_ptr<BenchPort> MakeQtSerialPort();  // needs a QCoreApplication
std::unique_ptr<BenchPort> MakeLibserialportPort();

}  // namespace bench

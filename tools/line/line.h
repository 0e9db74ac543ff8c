#pragma once
// The simulator's end of the serial line: a new pseudo-terminal pair, or a real serial
// device (one end of a null-modem cable). Raw mode, 8N1, no flow control, breaks ignored:
// the console's own settings for its port.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace sim {

// The speed and character frame a line is set to.
struct LineTiming {
    uint32_t baud = 0;
    int bitsPerByte = 10;  // start bit, data bits, parity bit, stop bits

    // The time one byte takes on the line.
    std::chrono::nanoseconds ByteTime() const {
        return std::chrono::nanoseconds(int64_t{bitsPerByte} * 1'000'000'000 / baud);
    }
};

class Line {
  public:
    // A pseudo-terminal pair at this speed until the console sets its own; Path() is the
    // slave, the device the console opens.
    static std::unique_ptr<Line> OpenPseudoTerminal(uint32_t baud, std::string& error);
    // Opened exclusively, as the console opens its port: nobody else reads its bytes.
    static std::unique_ptr<Line> OpenDevice(const std::string& path, uint32_t baud,
                                            std::string& error);
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    int Fd() const { return fd_; }
    const std::string& Path() const { return path_; }
    bool IsPseudoTerminal() const { return keptSlave_ >= 0; }
    bool IsOpen() const { return fd_ >= 0; }
    // The speed this end is set to (on a pseudo-terminal, the one it stands for): the
    // opening speed until SwitchSpeed.
    uint32_t Baud() const { return baud_; }

    // A device that failed (pulled out) is let go; its path and speed stay for Reopen.
    void Close();
    // Opens the device at its path again, as OpenDevice did, at Baud().
    bool Reopen(std::string& error);

    // Non-blocking: > 0 bytes read, 0 nothing now, -1 the line is hung up or failed (errno).
    ssize_t Read(uint8_t* buffer, size_t size);
    // One write call, so the bytes leave together. Returns how many were accepted.
    ssize_t Write(const uint8_t* bytes, size_t count);
    // What the line is set to now: on a pseudo-terminal, what the console set on its end.
    // Nothing when that cannot be read or the speed is 0 (hang up) or unknown.
    std::optional<LineTiming> Timing() const;
    // Waits until what was written has left, then switches the line speed. A
    // pseudo-terminal has no speed of its own, nor has a device that is not open: there it
    // is only recorded.
    bool SwitchSpeed(uint32_t baud, std::string& error);

  private:
    Line(int fd, int keptSlave, std::string path, uint32_t baud, bool exclusive = false)
        : fd_(fd), keptSlave_(keptSlave), exclusive_(exclusive), path_(path), baud_(baud) {}

    int fd_ = -1;
    int keptSlave_ = -1;      // held open so the pair survives the console closing the slave
    bool exclusive_ = false;  // the terminal's exclusive flag is ours to clear
    std::string path_;
    uint32_t baud_;
};

// A symbolic link to the device at a stable path; removed again if it still points there.
class DeviceLink {
  public:
    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Replaces an older symbolic link at path, but never any other kind of file.
    bool Create(const std::string& target, const std::string& path, std::string& error);
    void Remove();

  private:
    std::string target_;
    std::string path_;
};

}  // namespace sim

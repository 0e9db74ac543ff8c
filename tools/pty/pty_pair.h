#pragma once
// A pseudo-terminal pair standing in for a cable: a serial port opens the slave by its path
// as it opens a device, and whoever plays the far end reads and writes the master.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tty {

// How a pair is set up; combine with |.
enum PtyOption : unsigned {
    // The slave stays open here too: the line stays up while a port closes and reopens it.
    // Without it the master sees the hang-up when the port closes.
    kKeepSlave = 1u << 0,
    kRawSlave = 1u << 1,     // no echo, no line editing: bytes pass as they are
    kNonBlocking = 1u << 2,  // both ends
};

class PtyPair {
  public:
    // Both ends close-on-exec; throws std::system_error when no pair can be had.
    explicit PtyPair(unsigned options = 0);
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // The slave's path: the device a port opens.
    const std::string& Path() const { return path_; }
    int Master() const { return master_; }
    int Slave() const { return slave_; }  // -1 unless kept

    // The far end goes away, as when the adapter is pulled.
    void CloseMaster();
    // Hand an end over to an owner of its own, who closes it.
    int ReleaseMaster();
    int ReleaseSlave();

    // Writes everything to the master, blocking while the slave side has no room; with
    // kNonBlocking a full slave fails the write (EAGAIN) instead.
    bool Write(const void* data, size_t n) const;
    bool Write(const std::vector<uint8_t>& bytes) const {
        return Write(bytes.data(), bytes.size());
    }
    // What the port sent: exactly n bytes, or fewer if the deadline passes or the port hangs
    // up first.
    std::vector<uint8_t> Read(size_t n,
                              std::chrono::milliseconds timeout = std::chrono::seconds(3)) const;

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

}  // namespace tty

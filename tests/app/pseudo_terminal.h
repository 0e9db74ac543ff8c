#pragma once
// The controller's end of the cable: the test reads what the console sent and writes the
// replies. On POSIX a pseudo-terminal whose slave the console opens; on Windows, where the
// tests run under Wine, a pseudo-terminal that a line server on the Linux side holds and shows
// to Wine as a COM port (pseudo_terminal_posix.cpp, pseudo_terminal_win32.cpp). By default the
// test also holds the slave open, so the line stays up while the console closes and reopens
// the port.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

class PseudoTerminal {
  public:
    explicit PseudoTerminal(bool holdSlave = true);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The name the console's port box takes for this line.
    const std::string& Path() const { return path_; }
    // Writes everything to the line.
    bool Write(const std::vector<uint8_t>& bytes) const;
    // What the console sent: exactly n bytes, or fewer if the deadline passes or the console
    // hangs up first.
    std::vector<uint8_t> Read(size_t n,
                              std::chrono::milliseconds timeout = std::chrono::seconds(3)) const;
    // Whatever arrives within 150 ms (for "nothing was sent").
    std::vector<uint8_t> Drain() const { return Read(SIZE_MAX, std::chrono::milliseconds(150)); }
    // The far end goes away, as when the adapter is pulled.
    void CloseMaster();
    // True when nobody holds the slave open any more.
    bool HungUp() const;
    // The line speed the slave's settings name, in bits per second (0 if unknown).
    uint32_t SlaveBaud() const;

  private:
    struct Far;
    std::unique_ptr<Far> far_;
    std::string path_;
};

}  // namespace apptest

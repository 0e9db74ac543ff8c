#pragma once
// The controller's end of the cable: a pseudo-terminal master. The console opens the slave
// path. By default the test also holds the slave open, so the line stays up while the
// console closes and reopens the port.

#include <cstdint>
#include <string>
#include <vector>

namespace apptest {

class PseudoTerminal {
  public:
    explicit PseudoTerminal(bool holdSlave = true);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    int SlaveFd() const { return slave_; }

    // Reads exactly `count` bytes, or what came before the deadline.
    std::vector<uint8_t> Read(size_t count, int timeoutMs = 3000);
    // Whatever arrives within the quiet period (for "nothing was sent").
    std::vector<uint8_t> Drain(int quietMs = 150);
    void Write(const std::vector<uint8_t>& bytes);
    // The controller's end goes away, as when the adapter is pulled.
    void CloseMaster();
    // True when nobody holds the slave open any more.
    bool HungUp();
    // The line speed the slave's settings name, in bits per second (0 if unknown).
    uint32_t SlaveBaud();

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace apptest

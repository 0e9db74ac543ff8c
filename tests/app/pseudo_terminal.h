#pragma once
// The controller's end of the cable: a pseudo-terminal master. The console opens the slave
// path. By default the test also holds the slave open, so the line stays up while the
// console closes and reopens the port.

#include <cstdint>
#include <vector>

#include "tools/pty/pty_pair.h"

namespace apptest {

class PseudoTerminal : public tty::PtyPair {
  public:
    explicit PseudoTerminal(bool holdSlave = true);

    // Whatever arrives within 150 ms (for "nothing was sent").
    std::vector<uint8_t> Drain() const;
    // True when nobody holds the slave open any more.
    bool HungUp() const;
    // The line speed the slave's settings name, in bits per second (0 if unknown).
    uint32_t SlaveBaud() const;
};

}  // namespace apptest

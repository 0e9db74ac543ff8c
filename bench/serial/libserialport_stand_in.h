#pragma once
// What lets libserialport open a pseudo-terminal, which it otherwise refuses twice over: it
// looks a port up in sysfs by its /dev name, and it reads and sets the modem lines, which a
// pseudo-terminal does not have. The stand-in (Linux, as root) gives the terminal the name of
// one of the machine's serial ports inside the benchmark's own mount namespace, and answers
// the modem-line requests on pseudo-terminals while it is in place. Waiting, reading and
// writing stay the library's own, on the real terminal.

#include <string>

namespace bench {

// Gives the process a mount namespace of its own whose mounts do not propagate back. Call it
// first in main, while the process has one thread. False when that is not permitted.
bool EnterPrivateMounts();

class SerialNameStandIn {
  public:
    explicit SerialNameStandIn(const std::string& terminal);
    ~SerialNameStandIn();
    SerialNameStandIn(const SerialNameStandIn&) = delete;
    SerialNameStandIn& operator=(const SerialNameStandIn&) = delete;

    // The serial port name the terminal now answers to; empty when it could not be given one.
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace bench

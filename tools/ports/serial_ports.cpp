// What both platforms' listings share: printing this machine's for --list-ports.

#include "tools/ports/serial_ports.h"

namespace ports {

int PrintSerialPorts(std::FILE* out) {
    const std::string text = ListingText(ListSerialPorts());
    std::fputs(text.c_str(), out);
    return std::fflush(out) == 0 ? 0 : 1;
}

}  // namespace ports

#pragma once
// Linux: a UART slot with no UART in it. The 8250 driver makes ttyS0..ttyS31 and their device
// files whether or not the machine has those UARTs, so a device file is not yet a port; the
// port box's tooltip and the tools' port listing both leave such a slot out.

#include <filesystem>

namespace serial {

// sysfsTty: the tty's folder in sysfs (/sys/class/tty/ttyS3, or /sys/dev/char/4:67 for the
// same one by its device numbers). A serial-core port reads type 0 (PORT_UNKNOWN) there when
// its slot holds no UART; other ttys have no such attribute.
bool EmptyUartSlot(const std::filesystem::path& sysfsTty);

}  // namespace serial

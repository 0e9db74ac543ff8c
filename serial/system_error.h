#pragma once
// The system's error codes as failures carry them (errno on POSIX, GetLastError() on
// Windows) and what the owner may say about one: its cause in the operator's terms, the
// system's own text, and who may use a device. Each platform answers in its own file.

#include <array>
#include <span>
#include <string>
#include <system_error>

namespace serial {

enum class SystemCause {
    None,          // no code (0)
    NotFound,      // no such device
    NoPermission,  // the device exists but this user may not open it
    Busy,          // another program (or another opening) holds the device
    Gone,          // a line that was open has vanished: adapter pulled, far end hung up
    Other,
};

// Where the code came from. Some codes mean different things there: on POSIX, ENXIO,
// ENODEV or EIO while opening say that there is no such port (a /dev node without its
// hardware), on an open line that the device went away; on Windows, ERROR_ACCESS_DENIED
// while opening says that the port is in use, on an open line that the adapter has gone.
enum class FailureStage {
    Opening,  // an ECommsError from OpenPort
    Running,  // a worker's failure (TComm32::LastFailureError)
};

SystemCause CauseOf(int systemError, FailureStage stage = FailureStage::Running);

// The system's text for the code, in UTF-8, without a trailing full stop or line break;
// empty for 0 or a code the system has no text for.
std::string SystemErrorText(int systemError);

// The name of the group that owns the device node (whose members may open it); empty when
// unknown, and always on Windows.
std::string DeviceGroup(const std::string& devicePath);

// The calling thread's last system error, as the platform's calls leave it; setting it is
// for stand-ins of the platform.
int LastSystemError();
void SetLastSystemError(int systemError);

// The system error an error code of the standard library holds, 0 when it holds none.
int SystemErrorOf(const std::error_code& code);

// What each platform's file supplies for the above: the causes of the codes it knows (any
// other is Other), and the system's raw text for a code.
struct SystemCauseRow {
    std::array<int, 3> systemErrors;  // unused places hold 0, which is no error
    SystemCause opening, running;
};
std::span<const SystemCauseRow> PlatformCauses();
std::string PlatformErrorText(int systemError);

}  // namespace serial

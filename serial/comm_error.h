#pragma once

#include <stdexcept>

namespace serial {

// The one exception the serial port object raises: a message text for the operator and,
// beside it, the system's error code when one is known, so that the reason can be shown.
class ECommsError : public std::runtime_error {
  public:
    // What failed: the device (opening or setting it up), or the creation of a worker
    // thread, whose code tells nothing about the device (EAGAIN there is no busy port).
    enum class Origin { Device, Worker };

    // systemError: errno on POSIX, GetLastError() on Windows; 0 when none is known.
    explicit ECommsError(const char* message, int systemError = 0, Origin origin = Origin::Device)
        : std::runtime_error(message), systemError_(systemError), origin_(origin) {}

    int SystemError() const { return systemError_; }
    Origin Source() const { return origin_; }

  private:
    int systemError_;
    Origin origin_;
};

// Its messages, shown to the operator as they stand.
inline constexpr const char* kPortAlreadyOpen = "Заданный порт уже открыт.";
inline constexpr const char* kCannotOpenPort = "Невозможно открыть порт.";
inline constexpr const char* kNotACommPort = "Задан не COM-порт.";
inline constexpr const char* kBadPortSettings = "Неверно заданы параметры порта.";
inline constexpr const char* kCannotCreateReadThread = "Невозможно создать Read thread.";
inline constexpr const char* kCannotCreateWriteThread = "Невозможно создать Write thread.";

}  // namespace serial

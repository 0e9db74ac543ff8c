#pragma once

#include <stdexcept>
#include <string>

namespace serial {

// The one exception the serial port object raises: a message text and nothing else.
class ECommsError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Its messages, shown to the operator as they stand.
inline constexpr const char* kPortAlreadyOpen = "Заданный порт уже открыт.";
inline constexpr const char* kCannotOpenPort = "Невозможно открыть порт.";
inline constexpr const char* kNotACommPort = "Задан не COM-порт.";
inline constexpr const char* kBadPortSettings = "Неверно заданы параметры порта.";
inline constexpr const char* kCannotCreateReadThread = "Невозможно создать Read thread.";
inline constexpr const char* kCannotCreateWriteThread = "Невозможно создать Write thread.";

}  // namespace serial

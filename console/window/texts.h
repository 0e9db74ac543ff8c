#pragma once
// The window's own messages to the operator, each written once here. The replies' texts
// belong to the protocol, the captions to the control table, the cause of a port's failure to
// the serial layer (serial/failure_cause.h), which the tools share.

namespace console {

// The port object's worker reported a failure: the line to the controller is gone.
inline constexpr char kLineLost[] = "Связь с портом потеряна.";

// The port box's tooltip: the device its text stands for, and whether it is there now. %1 is
// the text, %2 the device when the text names it otherwise.
inline constexpr char kPortNotChosen[] = "Порт не задан.";
inline constexpr char kPortDevicePresent[] = "%1 — это устройство %2, оно есть в системе.";
inline constexpr char kPortDeviceAbsent[] = "%1 — это устройство %2, его сейчас нет в системе.";
inline constexpr char kDevicePresent[] = "Устройство %1 есть в системе.";
inline constexpr char kDeviceAbsent[] = "Устройства %1 сейчас нет в системе.";

}  // namespace console

#pragma once
// The window's own messages to the operator, each written once here. The replies' texts
// belong to the protocol, the captions to the control table.

namespace console {

// The port object's worker reported a failure: the line to the controller is gone.
inline constexpr char kLineLost[] = "Связь с портом потеряна.";

// Why a port could not be opened or why its line was lost, one line each. %1 is the device
// the port name stands for; %2 the group that owns it, or the system's own text.
inline constexpr char kDeviceNotFound[] = "Устройство %1 не существует.";
inline constexpr char kDeviceNoPermission[] =
    "Нет прав на доступ к устройству %1: добавьте пользователя в группу %2 и войдите в "
    "систему заново.";
inline constexpr char kDeviceNoPermissionGroupUnknown[] =
    "Нет прав на доступ к устройству %1: добавьте пользователя в группу, которой "
    "принадлежит устройство, и войдите в систему заново.";
inline constexpr char kDeviceBusy[] = "Устройство %1 занято: порт открыт другой программой.";
inline constexpr char kDeviceGone[] = "Устройство %1 отключено.";
inline constexpr char kDeviceSystemError[] = "Устройство %1: %2";
inline constexpr char kSystemErrorCode[] = "системная ошибка %1";  // when it has no text

// The port box's tooltip: the device its text stands for, and whether it is there now. %1 is
// the text, %2 the device when the text names it otherwise.
inline constexpr char kPortNotChosen[] = "Порт не задан.";
inline constexpr char kPortDevicePresent[] = "%1 — это устройство %2, оно есть в системе.";
inline constexpr char kPortDeviceAbsent[] = "%1 — это устройство %2, его сейчас нет в системе.";
inline constexpr char kDevicePresent[] = "Устройство %1 есть в системе.";
inline constexpr char kDeviceAbsent[] = "Устройства %1 сейчас нет в системе.";

}  // namespace console

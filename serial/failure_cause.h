#pragma once
// The operator's line that says why a port could not be opened or why its line was lost,
// naming the device that the port name stands for. One text for every program that opens a
// port through TComm32 (the console's window, controller_check), in the console's words.

#include <string>

#include "serial/system_error.h"

namespace serial {

// The sentences, in UTF-8. %1 is the device the port name stands for; %2 the group that owns
// it, or the system's own text.
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

// One sentence ending in a full stop, or empty when the system gave no reason (systemError 0).
std::string FailureCause(const std::string& portName, int systemError, FailureStage stage);

}  // namespace serial

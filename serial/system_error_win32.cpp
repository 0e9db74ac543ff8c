// System error codes on Windows: GetLastError() values, their texts from the system in the
// user's language, and no owner group (a COM port has none).
#include "system_error.h"

#include <windows.h>

#include <cctype>

namespace serial {

SystemCause CauseOf(int systemError, FailureStage stage) {
    const bool opening = stage == FailureStage::Opening;
    switch (static_cast<DWORD>(systemError)) {
        case 0:
            return SystemCause::None;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return SystemCause::NotFound;
        // A COM port that another program holds is refused as access denied. On an open
        // line, some adapters' drivers answer so once they have been pulled.
        case ERROR_ACCESS_DENIED:
            return opening ? SystemCause::Busy : SystemCause::Gone;
        case ERROR_SHARING_VIOLATION:
            return SystemCause::Busy;
        case ERROR_DEVICE_REMOVED:
        case ERROR_DEVICE_NOT_CONNECTED:
            return opening ? SystemCause::NotFound : SystemCause::Gone;
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_OPERATION_ABORTED:
            return opening ? SystemCause::Other : SystemCause::Gone;
        default:
            return SystemCause::Other;
    }
}

std::string SystemErrorText(int systemError) {
    if (systemError == 0) return {};
    wchar_t* wide = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(systemError), 0, reinterpret_cast<LPWSTR>(&wide), 0, nullptr);
    std::string text;
    if (length != 0) {
        const int n = static_cast<int>(length);
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, n, nullptr, 0, nullptr, nullptr);
        if (bytes > 0) {
            text.resize(static_cast<size_t>(bytes));
            WideCharToMultiByte(CP_UTF8, 0, wide, n, text.data(), bytes, nullptr, nullptr);
        }
    }
    if (wide != nullptr) LocalFree(wide);
    while (!text.empty() &&
           (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == '.'))
        text.pop_back();
    return text;
}

std::string DeviceGroup(const std::string&) {
    return {};
}

int LastSystemError() {
    return static_cast<int>(GetLastError());
}

void SetLastSystemError(int systemError) {
    SetLastError(static_cast<DWORD>(systemError));
}

int SystemErrorOf(const std::error_code& code) {
    // Only the system category holds GetLastError() values; the generic one holds errno's.
    return code.category() == std::system_category() ? code.value() : 0;
}

}  // namespace serial

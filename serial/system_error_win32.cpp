// System error codes on Windows: GetLastError() values, their texts from the system in the
// user's language, and no owner group (a COM port has none).
#include "system_error.h"

#include <windows.h>

namespace serial {

std::span<const SystemCauseRow> PlatformCauses() {
    using C = SystemCause;
    static constexpr SystemCauseRow kRows[] = {
        {{ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME},
         C::NotFound,
         C::NotFound},
        // A COM port that another program holds is refused as access denied. On an open
        // line, some adapters' drivers answer so once they have been pulled.
        {{ERROR_ACCESS_DENIED}, C::Busy, C::Gone},
        {{ERROR_SHARING_VIOLATION}, C::Busy, C::Busy},
        {{ERROR_DEVICE_REMOVED, ERROR_DEVICE_NOT_CONNECTED}, C::NotFound, C::Gone},
        {{ERROR_BAD_COMMAND, ERROR_GEN_FAILURE, ERROR_OPERATION_ABORTED}, C::Other, C::Gone},
        // The far end of the line has gone: Wine's answer for a terminal that hung up.
        {{ERROR_BROKEN_PIPE}, C::Other, C::Gone},
    };
    return kRows;
}

std::string PlatformErrorText(int systemError) {
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

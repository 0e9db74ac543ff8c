// Where the settings live, Windows side: always beside the executable. A program that writes
// beside itself in a protected folder is redirected by the system to a per-user store.

#include "console/windows_api_win32.h"

#include <string>

#include "console/settings_file.h"

namespace console {

std::filesystem::path ExecutablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    while (buffer.size() <= 32768) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::filesystem::path(buffer.substr(0, length));
        buffer.resize(buffer.size() * 2);  // the name was cut short
    }
    return {};
}

std::filesystem::path UserSettingsFolder() {
    return {};
}

}  // namespace console

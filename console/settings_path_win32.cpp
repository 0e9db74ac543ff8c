// Where the settings live, Windows side: always beside the executable. A 64-bit program gets
// no file virtualization, so in a folder its user may not write (Program Files) the write
// fails and is reported as any other failure to write.

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

// Durable replacement of a file's contents, Windows side.

#include "console/windows_api_win32.h"

#include <atomic>
#include <string>

#include "console/profile_file.h"

namespace console {

const std::string_view kNewFileLineBreak = "\r\n";

bool ReplaceFileContents(const std::filesystem::path& file, std::string_view contents) {
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }
    static std::atomic<unsigned> serial{0};
    std::filesystem::path temporary = file;
    temporary +=
        L".tmp" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(serial++);
    const HANDLE handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    while (ok && !contents.empty()) {
        const DWORD chunk = contents.size() > 0x10000000 ? 0x10000000 : DWORD(contents.size());
        DWORD written = 0;
        ok = ::WriteFile(handle, contents.data(), chunk, &written, nullptr) && written > 0;
        contents.remove_prefix(written);
    }
    ok = ok && ::FlushFileBuffers(handle);
    ok = ::CloseHandle(handle) && ok;
    ok = ok && ::MoveFileExW(temporary.c_str(), file.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) ::DeleteFileW(temporary.c_str());
    return ok;
}

}  // namespace console

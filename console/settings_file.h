#pragma once
// The settings file "dravik.ini": section "Main", keys "Port", "Speed" and "5byte". It lives
// beside the executable, or, on Linux when the program may not write there (a system-wide
// install), in the user's configuration folder.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace console {

// Raised when a key cannot be written: "Unable to write to <full path>".
class EWriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Settings {
    std::string Port = "COM4";
    int32_t Speed = 0;  // row of the speed list, 0..4, or -1 for no row (any other value: no row)
    bool FiveByte = true;
};

// "dravik.ini" beside the executable; where the program may not write in that folder and the
// platform does not redirect such writes itself, "dravik.ini" in UserSettingsFolder().
std::filesystem::path SettingsPath();

// Reading never fails: missing file, key or malformed value give the defaults. The per-user
// file, until it exists, is read from beside the executable (an administrator's defaults).
Settings ReadSettings(const std::filesystem::path& file);
// Writes Port, Speed and 5byte in that order, each as a profile-file write; raises
// EWriteError at the first key that cannot be written (the later ones are not written). The
// per-user file's folder is created when missing.
void WriteSettings(const std::filesystem::path& file, const Settings& settings);

// Platform part (settings_path_posix.cpp, settings_path_win32.cpp).
// The running program's executable, or an empty path when it cannot be told.
std::filesystem::path ExecutablePath();
// The folder of the per-user settings file when the program may not write beside its
// executable; an empty path when it may, or where the system redirects such writes itself.
std::filesystem::path UserSettingsFolder();

}  // namespace console

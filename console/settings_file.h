#pragma once
// The settings file "dravik.ini" beside the executable: section "Main", keys "Port",
// "Speed" and "5byte".

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

// The executable's directory followed by "dravik.ini".
std::filesystem::path SettingsPath();

// Platform part (settings_path_posix.cpp, settings_path_win32.cpp): the running program's
// executable, or an empty path when it cannot be told.
std::filesystem::path ExecutablePath();

// Reading never fails: missing file, key or malformed value give the defaults.
Settings ReadSettings(const std::filesystem::path& file);
// Writes Port, Speed and 5byte in that order, each as a profile-file write; raises
// EWriteError at the first key that cannot be written (the later ones are not written).
void WriteSettings(const std::filesystem::path& file, const Settings& settings);

}  // namespace console

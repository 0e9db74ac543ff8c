// The three settings of the console in "dravik.ini", through the profile-file layer.

#include "console/settings_file.h"

#include "console/number_syntax.h"
#include "console/profile_file.h"

namespace console {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSection = "Main";
constexpr const char* kFileName = "dravik.ini";

bool IsUserSettings(const fs::path& file) {
    const fs::path folder = UserSettingsFolder();
    return !folder.empty() && file == folder / kFileName;
}

// An integer key: decimal, or hexadecimal after "$", "x" or "0x"; anything else (an empty
// value included) gives the default.
int32_t ReadInteger(const fs::path& file, const char* key, int32_t fallback) {
    const std::string text = ReadProfileText(file, kSection, key, "");
    return StrToIntDef(text, fallback);
}

void WriteKey(const fs::path& file, const char* key, const std::string& value) {
    if (WriteProfileText(file, kSection, key, value)) return;
    std::error_code error;
    const fs::path full = fs::absolute(file, error);
    const std::u8string name = (error ? file : full).u8string();
    throw EWriteError("Unable to write to " + std::string(name.begin(), name.end()));
}

}  // namespace

fs::path SettingsPath() {
    const fs::path folder = UserSettingsFolder();
    return (folder.empty() ? ExecutablePath().parent_path() : folder) / kFileName;
}

Settings ReadSettings(const fs::path& path) {
    fs::path file = path;
    std::error_code error;
    if (!fs::exists(file, error) && IsUserSettings(file))
        file = ExecutablePath().parent_path() / kFileName;
    Settings settings;
    settings.Port = ReadProfileText(file, kSection, "Port", settings.Port, 2047);
    settings.Speed = ReadInteger(file, "Speed", settings.Speed);
    settings.FiveByte = ReadInteger(file, "5byte", settings.FiveByte ? 1 : 0) != 0;
    return settings;
}

void WriteSettings(const fs::path& file, const Settings& settings) {
    if (IsUserSettings(file)) {
        // A folder that cannot be made fails the first key's write, which says so.
        std::error_code error;
        fs::create_directories(file.parent_path(), error);
    }
    WriteKey(file, "Port", settings.Port);
    WriteKey(file, "Speed", std::to_string(settings.Speed));
    WriteKey(file, "5byte", settings.FiveByte ? "1" : "0");
}

}  // namespace console

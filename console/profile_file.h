#pragma once
// The profile (INI) file: read a key's text in a section with a default, write a key's text
// in a section. Section and key names match regardless of letter case; blanks around names
// and values are ignored; lines starting with ";" or "#" are comments; one pair of double
// quotes around a value is removed. The first occurrence of a key wins.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace console {

// At most this many bytes of a file are read for a value; a longer file is read up to its
// last whole line within the bound.
inline constexpr size_t kProfileReadLimit = size_t{1} << 20;
// A file beyond this size is not rewritten (the write fails) rather than cut short.
inline constexpr size_t kProfileWriteLimit = size_t{16} << 20;

// The key's value, or the fallback when the file, the section or the key is missing. At
// most maxChars bytes are returned, never ending inside a UTF-8 sequence. Never fails.
std::string ReadProfileText(const std::filesystem::path& file, std::string_view section,
                            std::string_view key, std::string_view fallback,
                            size_t maxChars = 2047);

// Replaces the key's value, or adds the key (and the section); every other byte of the file
// stays as it was, and the file keeps its line endings (kNewFileLineBreak for a new file, or
// one without any). The new file is
// on disk when this returns true; on false the old file is untouched.
bool WriteProfileText(const std::filesystem::path& file, std::string_view section,
                      std::string_view key, std::string_view value);

// The same two operations on the file's text, without the file.
std::optional<std::string> FindProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key);
std::string SetProfileValue(std::string_view content, std::string_view section,
                            std::string_view key, std::string_view value);

// Platform part (profile_file_posix.cpp, profile_file_win32.cpp).
// The line break of a file that has none yet: LF on POSIX, CRLF on Windows, as the system's
// own profile functions write it there.
extern const std::string_view kNewFileLineBreak;
// Writes the contents to
// a new file beside the target, flushes it to disk and renames it over the target, keeping
// the target's permission bits. A directory in the target's place fails.
bool ReplaceFileContents(const std::filesystem::path& file, std::string_view contents);

}  // namespace console

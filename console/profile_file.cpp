#include "console/profile_file.h"

#include <algorithm>
#include <fstream>
#include <vector>

namespace console {

namespace {

namespace fs = std::filesystem;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A line ends at "\r\n", "\n" or a lone "\r", as the Windows profile functions read it; the
// reader and the writer both split lines here, so that what one writes the other reads.
constexpr std::string_view kLineBreakBytes = "\r\n";

struct Line {
    size_t Begin;  // first byte
    size_t End;    // one past the last byte before the line break
    size_t Next;   // first byte of the next line
};

// Where the line break that starts at offset `at` ends.
size_t PastLineBreak(std::string_view content, size_t at) {
    if (at == std::string_view::npos) return content.size();
    return content.compare(at, 2, "\r\n") == 0 ? at + 2 : at + 1;
}

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    size_t begin = 0;
    while (begin < content.size()) {
        const size_t brk = content.find_first_of(kLineBreakBytes, begin);
        const size_t end = brk == std::string_view::npos ? content.size() : brk;
        const size_t next = PastLineBreak(content, brk);
        lines.push_back({begin, end, next});
        begin = next;
    }
    return lines;
}

// The section named by a header line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    const size_t close = line.find(']');
    if (close != std::string_view::npos) line = line.substr(0, close);
    return Trim(line);
}

struct KeyLine {
    std::string_view Name;
    size_t ValueBegin;  // offset in the line where the value (after blanks) starts
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#' ||
        trimmed.front() == '[') {
        return std::nullopt;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    size_t value = equals + 1;
    while (value < line.size() && IsBlank(line[value])) ++value;
    return KeyLine{Trim(line.substr(0, equals)), value};
}

// Where a key is, or where it would go.
struct KeyPlace {
    std::optional<Line> Key;          // the key's line, when present
    size_t ValueBegin = 0;            // its value's start within the content
    std::optional<Line> SectionTail;  // last non-blank line of the first matching section
};

KeyPlace Locate(std::string_view content, std::string_view section, std::string_view key) {
    KeyPlace place;
    bool inSection = false;
    bool firstSection = false;  // inside the first section with the name
    for (const Line& line : SplitLines(content)) {
        const std::string_view text = content.substr(line.Begin, line.End - line.Begin);
        if (const auto name = SectionName(text)) {
            inSection = SameName(*name, section);
            firstSection = inSection && !place.SectionTail;
            if (firstSection) place.SectionTail = line;
            continue;
        }
        if (!inSection) continue;
        if (firstSection && !Trim(text).empty()) place.SectionTail = line;
        const auto keyLine = ParseKeyLine(text);
        if (keyLine && SameName(keyLine->Name, key)) {
            place.Key = line;
            place.ValueBegin = line.Begin + keyLine->ValueBegin;
            return place;
        }
    }
    return place;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    return value;
}

// The value as it is stored: a line break or NUL would end it early anyway, and quotes keep
// the blanks at its ends and a quoted look that reading would strip.
std::string StoredValue(std::string_view value) {
    value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
    const bool quote =
        !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                           (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
    if (!quote) return std::string(value);
    std::string stored;
    stored.reserve(value.size() + 2);
    return stored.append(1, '"').append(value).append(1, '"');
}

// The file's own line break: its first one, or the platform's for a file without any. A carriage
// return that ends the file is taken for a "\r\n" whose line feed was lost.
std::string_view LineBreakOf(std::string_view content) {
    const size_t brk = content.find_first_of(kLineBreakBytes);
    if (brk == std::string_view::npos) return kNewFileLineBreak;
    if (brk + 1 == content.size() && content[brk] == '\r') return "\r\n";
    return content.substr(brk, PastLineBreak(content, brk) - brk);
}

// What must follow the file's end so that a line added there starts on a line of its own:
// the file's line break after a last line that has none, the missing line feed after a lone
// carriage return that is not the file's own line break.
std::string_view EndCompletion(std::string_view content, std::string_view lineBreak) {
    if (content.empty() || content.back() == '\n') return {};
    if (content.back() != '\r') return lineBreak;
    return lineBreak == "\r" ? std::string_view() : std::string_view("\n");
}

// Reads at most limit bytes; truncated tells whether the file held more.
std::optional<std::string> ReadBounded(const fs::path& file, size_t limit, bool& truncated) {
    truncated = false;
    std::error_code error;
    if (!fs::is_regular_file(fs::status(file, error))) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    // Read in pieces up to one byte past the bound: a small file costs only its own size,
    // not a buffer as large as the bound.
    std::string content;
    char piece[16384];
    while (content.size() <= limit && in) {
        const size_t want = std::min(sizeof piece, limit + 1 - content.size());
        in.read(piece, static_cast<std::streamsize>(want));
        content.append(piece, static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) return std::nullopt;
    if (content.size() > limit) {
        truncated = true;
        content.resize(limit);
    }
    return content;
}

}  // namespace

std::optional<std::string> FindProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key) {
    const KeyPlace place = Locate(content, section, key);
    if (!place.Key) return std::nullopt;
    std::string_view value = content.substr(place.ValueBegin, place.Key->End - place.ValueBegin);
    value = Unquote(Trim(value));
    // The value is a text, as the platform's profile read gives it: it ends at a NUL.
    return std::string(value.substr(0, value.find('\0')));
}

std::string SetProfileValue(std::string_view content, std::string_view section,
                            std::string_view key, std::string_view value) {
    const std::string stored = StoredValue(value);
    const std::string_view lineBreak = LineBreakOf(content);
    const KeyPlace place = Locate(content, section, key);
    std::string result;
    if (place.Key) {
        // Keep the key's spelling and the blanks around "="; replace the value to line end.
        result.append(content.substr(0, place.ValueBegin));
        result.append(stored);
        result.append(content.substr(place.Key->End));
        return result;
    }
    const std::string keyLine = std::string(key) + "=" + stored;
    if (place.SectionTail) {
        const Line& tail = *place.SectionTail;
        result.append(content.substr(0, tail.Next));
        if (tail.Next == content.size()) result.append(EndCompletion(content, lineBreak));
        result.append(keyLine).append(lineBreak);
        result.append(content.substr(tail.Next));
        return result;
    }
    result.append(content);
    result.append(EndCompletion(content, lineBreak));
    result.append("[").append(section).append("]").append(lineBreak);
    result.append(keyLine).append(lineBreak);
    return result;
}

std::string ReadProfileText(const fs::path& file, std::string_view section, std::string_view key,
                            std::string_view fallback, size_t maxChars) {
    bool truncated = false;
    std::optional<std::string> content = ReadBounded(file, kProfileReadLimit, truncated);
    if (!content) return std::string(fallback);
    if (truncated) {
        // Only whole lines count: a value cut by the bound is not a value.
        const size_t lastBreak = content->find_last_of(kLineBreakBytes);
        content->resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    }
    std::string value = FindProfileValue(*content, section, key).value_or(std::string(fallback));
    if (value.size() > maxChars) {
        size_t cut = maxChars;
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
        value.resize(cut);
    }
    return value;
}

bool WriteProfileText(const fs::path& file, std::string_view section, std::string_view key,
                      std::string_view value) {
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    std::string content;
    if (fs::exists(status)) {
        // An existing file is rewritten whole: one that cannot be read completely is left
        // alone rather than replaced by a part of it.
        bool truncated = false;
        std::optional<std::string> old = ReadBounded(file, kProfileWriteLimit, truncated);
        if (!old || truncated) return false;
        content = std::move(*old);
    }
    return ReplaceFileContents(file, SetProfileValue(content, section, key, value));
}

}  // namespace console

// Every manual page the install carries, rendered as man renders it (groff's man macros for a
// UTF-8 terminal): no warning, and the items of each numbered list on lines of their own,
// neither run together nor broken off mid-sentence. A page added later is checked too.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/install/icon_files.h"
#include "tests/install/run_command.h"

namespace fs = std::filesystem;

namespace {

// Lines that a page's text must hold, in this order, each at the start of a line (spaces
// between words counted as one). Each of these pages must be installed.
const std::map<std::string, std::vector<std::string>> kItemsOnTheirOwnLines = {
    {"controller_check",
     {"1. Link:", "2. Lights:", "3. Timeout:", "4. Errors:", "5. Address", "6. Speed",
      "7. Replies:"}},
    // A short item's text shares its line.
    {"controller_sim",
     {"Control lines, on stdin or the FIFO", "split MS", "delay MS", "wrong-address N|off",
      "broken-markers on|off", "silent on|off", "normal all faults off", "format 3|5",
      "input1 on|off", "input2 on|off", "ready on|off", "error N", "state print the",
      "help list these lines", "Commands answered:"}},
};

std::vector<fs::path> InstalledPages() {
    std::vector<fs::path> pages;
    for (const auto& entry :
         fs::directory_iterator(install_test::Stage() / "prefix/share/man/man1"))
        if (entry.path().extension() == ".gz") pages.push_back(entry.path());
    std::sort(pages.begin(), pages.end());
    return pages;
}

// "controller_check" for .../controller_check.1.gz.
std::string PageName(const fs::path& page) {
    return fs::path(page.stem()).stem().string();
}

// groff's -k reads the page's UTF-8 as man does; -P-cbou leaves out bold and underlining.
std::string Rendered(const fs::path& page, const std::string& options) {
    const auto [status, output] = install_test::RunCommand(
        "zcat " + install_test::ShellQuoted(page.string()) + " | groff -k -man -Tutf8 " + options);
    EXPECT_EQ(status, 0) << output;
    return output;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The line without its indent and with each run of spaces made one.
std::string Squeezed(const std::string& line) {
    std::string out;
    for (const char c : line) {
        if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
        out += c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

bool Capital(char c) {
    return std::isupper(static_cast<unsigned char>(c)) != 0;
}

// A numbered item ("12. Text") starts at this place of the line.
bool ItemAt(const std::string& line, size_t at) {
    size_t end = at;
    while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
    if (end == at || end + 1 >= line.size() || line[end] != '.' || line[end + 1] != ' ') {
        return false;
    }
    const size_t text = line.find_first_not_of(' ', end + 1);
    return text != std::string::npos && Capital(line[text]);
}

// An item's number after the end of a sentence on the same line: items run together.
bool ItemWithin(const std::string& line) {
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        if (std::string_view(".;:").find(line[i]) == std::string_view::npos || line[i + 1] != ' ') {
            continue;
        }
        if (ItemAt(line, line.find_first_not_of(' ', i + 1))) return true;
    }
    return false;
}

TEST(ManualPages, RenderWithoutWarnings) {
    const std::vector<fs::path> pages = InstalledPages();
    EXPECT_FALSE(pages.empty());
    for (const fs::path& page : pages) {
        EXPECT_EQ(Rendered(page, "-ww -z"), "") << page;
    }
}

TEST(ManualPages, ListItemsStandOnLinesOfTheirOwn) {
    std::map<std::string, std::vector<std::string>> missing = kItemsOnTheirOwnLines;
    for (const fs::path& page : InstalledPages()) {
        missing.erase(PageName(page));
        SCOPED_TRACE(page.string());
        const std::vector<std::string> lines = Lines(Rendered(page, "-P-cbou 2>/dev/null"));
        bool afterItem = false;  // the paragraph before this one is a numbered item
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            EXPECT_FALSE(ItemWithin(line)) << "items run together: " << line;
            const bool starts = i == 0 || Squeezed(lines[i - 1]).empty();
            const std::string text = Squeezed(line);
            if (!starts || text.empty()) continue;
            // An item broken off mid-sentence goes on in a paragraph of its own.
            EXPECT_FALSE(afterItem && std::islower(static_cast<unsigned char>(text[0])))
                << "an item broken off: " << line;
            afterItem = ItemAt(text, 0);
        }

        const auto expected = kItemsOnTheirOwnLines.find(PageName(page));
        if (expected == kItemsOnTheirOwnLines.end()) continue;
        auto at = lines.begin();
        for (const std::string& item : expected->second) {
            at = std::find_if(at, lines.end(), [&](const std::string& line) {
                return Squeezed(line).rfind(item, 0) == 0;
            });
            EXPECT_NE(at, lines.end()) << "no line starts with " << item;
            if (at == lines.end()) break;
        }
    }
    for (const auto& page : missing) ADD_FAILURE() << "no manual page " << page.first;
}

}  // namespace

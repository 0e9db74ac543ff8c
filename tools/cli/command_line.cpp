#include "tools/cli/command_line.h"

#include <charconv>

namespace cli {

bool ParseArguments(int argc, char** argv,
                    std::initializer_list<std::pair<std::string_view, std::string_view>> shortForms,
                    const std::function<std::optional<Takes>(std::string_view name)>& find,
                    const std::function<bool(std::string_view name, std::string_view value)>& apply,
                    std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        for (const auto& [shortForm, longForm] : shortForms) {
            if (arg == shortForm) arg = longForm;
        }
        std::optional<std::string_view> inlineValue;
        if (const auto eq = arg.find('='); eq != std::string_view::npos) {
            inlineValue = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        const bool dashed = arg.substr(0, 2) == "--";
        const std::string_view name = dashed ? arg.substr(2) : arg;
        const auto takes = dashed ? find(name) : std::nullopt;
        if (!takes) {
            error = "unknown option " + std::string(argv[i]);
            return false;
        }
        std::string_view value;
        if (*takes == Takes::Value) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                error = std::string(arg) + " needs a value";
                return false;
            }
        } else if (inlineValue) {
            error = std::string(arg) + " takes no value";
            return false;
        }
        if (!apply(name, value)) {
            error = "invalid value '" + std::string(value) + "' for " + std::string(arg);
            return false;
        }
    }
    return true;
}

std::optional<int64_t> ParseNumber(std::string_view text, int64_t min, int64_t max) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

}  // namespace cli

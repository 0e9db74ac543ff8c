#pragma once
// The tools' command lines: "--name value", "--name=value" and "--name" alone, read one way so
// that every tool refuses a bad one in the same words.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace cli {

// What an option takes after its name.
enum class Takes { Nothing, Value };

// Reads argv. A short form is first replaced by its long one ({"-h", "--help"}); find looks
// an option up by its name without the dashes (nothing: no such option); apply sets it from
// its value ("" for one that takes nothing) and returns false for a value that is not valid.
// On the first fault returns false with a one-line reason.
bool ParseArguments(int argc, char** argv,
                    std::initializer_list<std::pair<std::string_view, std::string_view>> shortForms,
                    const std::function<std::optional<Takes>(std::string_view name)>& find,
                    const std::function<bool(std::string_view name, std::string_view value)>& apply,
                    std::string& error);

// An option of a tool's table: its name without the dashes, whether a value follows, and what
// it sets (false for a value that is not valid).
template <typename Options>
struct Option {
    std::string_view name;
    bool takesValue;
    bool (*apply)(Options& options, std::string_view value);
};

// ParseArguments against a table of options. unknown, when given, tells whether the fault was
// an option the table does not have.
template <typename Options, size_t N>
bool ParseTable(int argc, char** argv,
                std::initializer_list<std::pair<std::string_view, std::string_view>> shortForms,
                const Option<Options> (&table)[N], Options& options, std::string& error,
                bool* unknown = nullptr) {
    const auto find = [&table](std::string_view name) -> const Option<Options>* {
        for (const Option<Options>& option : table) {
            if (option.name == name) return &option;
        }
        return nullptr;
    };
    if (unknown) *unknown = false;
    return ParseArguments(
        argc, argv, shortForms,
        [&](std::string_view name) -> std::optional<Takes> {
            const Option<Options>* option = find(name);
            if (!option) {
                if (unknown) *unknown = true;
                return std::nullopt;
            }
            return option->takesValue ? Takes::Value : Takes::Nothing;
        },
        [&](std::string_view name, std::string_view value) {
            return find(name)->apply(options, value);
        },
        error);
}

// A whole decimal number within [min, max], nothing else around it.
std::optional<int64_t> ParseNumber(std::string_view text, int64_t min, int64_t max);

}  // namespace cli

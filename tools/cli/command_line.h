#pragma once
// The tools' command lines: "--name value", "--name=value" and "--name" alone, read one way so
// that every tool refuses a bad one in the same words.

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

// A whole decimal number within [min, max], nothing else around it.
std::optional<int64_t> ParseNumber(std::string_view text, int64_t min, int64_t max);

}  // namespace cli

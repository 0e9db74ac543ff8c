// The number syntax against a plain reference: optional spaces, an optional sign, then
// decimal digits within the signed 32-bit range, or hexadecimal digits after "$", "x" or
// "0x" whose value fits in 32 bits, taken as 32-bit two's complement, with nothing after.
// StrToInt raises exactly when the text is not a number, with the fixed message.

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "console/number_syntax.h"
#include "fuzz_input.h"

namespace {

std::optional<int32_t> Reference(const std::string& text) {
    size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos) return std::nullopt;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        i += 1;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    const std::string digits = text.substr(i);
    if (digits.empty()) return std::nullopt;
    for (char c : digits) {
        const bool dec = c >= '0' && c <= '9';
        const bool hex = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!dec && !(base == 16 && hex)) return std::nullopt;
    }
    // Leading zeros do not count towards the range: strip them before measuring.
    const size_t first = digits.find_first_not_of('0');
    const std::string significant = first == std::string::npos ? "0" : digits.substr(first);
    if (significant.size() > (base == 16 ? 8u : 10u)) return std::nullopt;
    const unsigned long long magnitude = std::strtoull(significant.c_str(), nullptr, base);
    if (base == 16 && magnitude > 0xFFFFFFFFull) return std::nullopt;
    if (base == 10 && magnitude > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return std::nullopt;
    const uint32_t bits = static_cast<uint32_t>(magnitude);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<int32_t> parsed = console::ParseInteger(text);
    REQUIRE(parsed == Reference(text));
    REQUIRE(console::StrToIntDef(text, 12345) == parsed.value_or(12345));
    try {
        const int32_t value = console::StrToInt(text);
        REQUIRE(parsed && value == *parsed);
    } catch (const console::EConvertError& e) {
        REQUIRE(!parsed);
        // what() is a C string: a NUL in the text ends the message there.
        const std::string message = "'" + text + "' is not a valid integer value";
        REQUIRE(std::string(e.what()) == message.substr(0, message.find('\0')));
    }
    return 0;
}

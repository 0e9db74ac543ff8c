#include "console/number_syntax.h"

namespace console {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hexadecimal digits to the end of the text, at least one, the value within 32 bits.
std::optional<uint32_t> ParseHex(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<uint64_t>(digit);
        // Checked at every digit, so a long run of digits cannot overflow the accumulator.
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

// Decimal digits to the end of the text, at least one; the magnitude may reach 2^31 only
// for a negative number.
std::optional<uint32_t> ParseDecimal(std::string_view digits, bool negative) {
    if (digits.empty()) return std::nullopt;
    const uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
    uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > limit) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

}  // namespace

std::optional<int32_t> ParseInteger(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::string_view rest = text.substr(pos);
    std::optional<uint32_t> magnitude;
    if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
        magnitude = ParseHex(rest.substr(1));
    } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        magnitude = ParseHex(rest.substr(2));
    } else {
        magnitude = ParseDecimal(rest, negative);
    }
    if (!magnitude) return std::nullopt;
    // Two's complement in unsigned arithmetic: "$FFFFFFFF" is -1, "-$10" is -16, and
    // "-2147483648" needs no signed negation.
    const uint32_t bits = negative ? 0u - *magnitude : *magnitude;
    return static_cast<int32_t>(bits);
}

int32_t StrToInt(const std::string& text) {
    if (const auto value = ParseInteger(text)) return *value;
    throw EConvertError("'" + text + "' is not a valid integer value");
}

int32_t StrToIntDef(const std::string& text, int32_t fallback) {
    return ParseInteger(text).value_or(fallback);
}

}  // namespace console

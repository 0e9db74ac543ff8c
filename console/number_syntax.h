#pragma once
// Text to integer: optional leading spaces, an optional sign, then decimal digits within the
// signed 32-bit range, or hexadecimal digits after "$", "x" or "0x" (either case) whose value
// fits in 32 bits, taken as a 32-bit value. Nothing may follow.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace console {

// The integer-conversion failure; its message is "'<text>' is not a valid integer value".
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::optional<int32_t> ParseInteger(std::string_view text);
int32_t StrToInt(const std::string& text);                    // raises EConvertError
int32_t StrToIntDef(const std::string& text, int32_t fallback);  // never raises

}  // namespace console

#pragma once
// Takes decisions out of a fuzzer's input from its front, so that every byte string is a
// valid input and nearby inputs make nearby decisions.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// A property that must hold; a failure names its line and aborts, which libFuzzer reports as
// a crash with the input that caused it.
#define REQUIRE(condition)                                                               \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

namespace fuzz {

class Input {
  public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return size_ == 0; }
    size_t Left() const { return size_; }

    // The next byte, or 0 once the input is used up.
    uint8_t Byte() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }
    // Up to n bytes, fewer at the end of the input.
    std::string_view Take(size_t n) {
        if (n > size_) n = size_;
        const std::string_view part(reinterpret_cast<const char*>(data_), n);
        data_ += n;
        size_ -= n;
        return part;
    }
    std::string_view Rest() { return Take(size_); }

  private:
    const uint8_t* data_;
    size_t size_;
};

// Texts shown to people must stay readable whatever bytes came in.
inline bool ValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80           ? 1
                         : (c >> 5) == 0x6  ? 2
                         : (c >> 4) == 0xE  ? 3
                         : (c >> 3) == 0x1E ? 4
                                            : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

}  // namespace fuzz

#include "deflate.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace icon {
namespace {

constexpr std::size_t kWindow = 32768;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 258;
constexpr int kMaxChain = 128;
constexpr int kHashBits = 15;

constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                         4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                         9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Deflate packs bits from the least significant end; Huffman codes go in most significant
// bit first, so they are reversed before packing.
class BitWriter {
  public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void Bits(std::uint32_t value, int count) {
        buffer_ |= static_cast<std::uint64_t>(value) << filled_;
        filled_ += count;
        while (filled_ >= 8) {
            out_.push_back(static_cast<std::uint8_t>(buffer_));
            buffer_ >>= 8;
            filled_ -= 8;
        }
    }
    void Code(std::uint32_t code, int length) {
        std::uint32_t reversed = 0;
        for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
        Bits(reversed, length);
    }
    void Flush() {
        if (filled_ > 0) out_.push_back(static_cast<std::uint8_t>(buffer_));
        buffer_ = 0;
        filled_ = 0;
    }

  private:
    std::vector<std::uint8_t>& out_;
    std::uint64_t buffer_ = 0;
    int filled_ = 0;
};

void Literal(BitWriter& bits, unsigned symbol) {
    if (symbol < 144) {
        bits.Code(0x30 + symbol, 8);
    } else if (symbol < 256) {
        bits.Code(0x190 + symbol - 144, 9);
    } else if (symbol < 280) {
        bits.Code(symbol - 256, 7);
    } else {
        bits.Code(0xC0 + symbol - 280, 8);
    }
}

void Match(BitWriter& bits, std::size_t length, std::size_t distance) {
    std::size_t code = kLengthBase.size() - 1;
    while (kLengthBase[code] > length) --code;
    Literal(bits, static_cast<unsigned>(257 + code));
    bits.Bits(static_cast<std::uint32_t>(length - kLengthBase[code]), kLengthExtra[code]);

    std::size_t dcode = kDistanceBase.size() - 1;
    while (kDistanceBase[dcode] > distance) --dcode;
    bits.Code(static_cast<std::uint32_t>(dcode), 5);
    bits.Bits(static_cast<std::uint32_t>(distance - kDistanceBase[dcode]), kDistanceExtra[dcode]);
}

std::uint32_t Hash3(const std::uint8_t* p) {
    const std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    return (v * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

std::vector<std::uint8_t> ZlibCompress(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out = {0x78, 0x01};  // deflate, 32 KiB window, no dictionary
    BitWriter bits(out);
    bits.Bits(1, 1);  // the last block
    bits.Bits(1, 2);  // fixed Huffman codes

    // head[h]: the latest position whose three bytes hash to h; previous[i % window]: the
    // position before i with the same hash. Positions are stored plus one, 0 meaning none.
    std::vector<std::size_t> head(std::size_t{1} << kHashBits, 0);
    std::vector<std::size_t> previous(kWindow, 0);
    const std::size_t size = data.size();
    auto insert = [&](std::size_t pos) {
        if (pos + kMinMatch > size) return;
        const std::uint32_t h = Hash3(&data[pos]);
        previous[pos % kWindow] = head[h];
        head[h] = pos + 1;
    };

    std::size_t pos = 0;
    while (pos < size) {
        std::size_t best_length = 0;
        std::size_t best_distance = 0;
        if (pos + kMinMatch <= size) {
            const std::size_t limit = std::min(kMaxMatch, size - pos);
            std::size_t candidate = head[Hash3(&data[pos])];
            for (int chain = 0; candidate != 0 && chain < kMaxChain; ++chain) {
                const std::size_t from = candidate - 1;
                if (pos - from > kWindow) break;
                std::size_t length = 0;
                while (length < limit && data[from + length] == data[pos + length]) ++length;
                if (length > best_length) {
                    best_length = length;
                    best_distance = pos - from;
                    if (length == limit) break;
                }
                const std::size_t next = previous[from % kWindow];
                // An older slot overwritten by a newer position would point forwards.
                if (next == 0 || next - 1 >= from) break;
                candidate = next;
            }
        }
        if (best_length >= kMinMatch) {
            Match(bits, best_length, best_distance);
            for (std::size_t i = 0; i < best_length; ++i) insert(pos + i);
            pos += best_length;
        } else {
            Literal(bits, data[pos]);
            insert(pos);
            ++pos;
        }
    }
    Literal(bits, 256);  // end of block
    bits.Flush();

    const std::uint32_t adler = Adler32(data);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(adler >> shift));
    return out;
}

std::uint32_t Crc32(std::span<const std::uint8_t> data, std::uint32_t crc) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::uint8_t byte : data) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t Adler32(std::span<const std::uint8_t> data) {
    constexpr std::uint32_t kModulus = 65521;
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % kModulus;
        b = (b + a) % kModulus;
    }
    return (b << 16) | a;
}

}  // namespace icon

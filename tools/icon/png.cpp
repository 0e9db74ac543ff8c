#include "png.h"

#include <array>
#include <cstdlib>
#include <span>
#include <string_view>

#include "deflate.h"

namespace icon {
namespace {

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void Chunk(std::vector<std::uint8_t>& out, std::string_view type,
           std::span<const std::uint8_t> body) {
    PutBigEndian(out, static_cast<std::uint32_t>(body.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBigEndian(out, Crc32(std::span(out).subspan(start)));
}

std::uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    if (pb <= pc) return static_cast<std::uint8_t>(b);
    return static_cast<std::uint8_t>(c);
}

// Filters one row (raw bytes; `above` is the raw row above, zeros for the first) with filter
// type `type` into `out`.
void FilterRow(int type, std::span<const std::uint8_t> row, std::span<const std::uint8_t> above,
               std::vector<std::uint8_t>& out) {
    constexpr std::size_t kBpp = 4;
    out.clear();
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int a = i >= kBpp ? row[i - kBpp] : 0;
        const int b = above[i];
        const int c = i >= kBpp ? above[i - kBpp] : 0;
        int predicted = 0;
        switch (type) {
            case 1:
                predicted = a;
                break;
            case 2:
                predicted = b;
                break;
            case 3:
                predicted = (a + b) / 2;
                break;
            case 4:
                predicted = Paeth(a, b, c);
                break;
            default:
                break;
        }
        out.push_back(static_cast<std::uint8_t>(row[i] - predicted));
    }
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const Image& image) {
    const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
    std::vector<std::uint8_t> raw;
    raw.reserve((stride + 1) * image.height);
    const std::vector<std::uint8_t> zeros(stride, 0);
    std::vector<std::uint8_t> trial;
    std::vector<std::uint8_t> best;
    for (int y = 0; y < image.height; ++y) {
        const std::span<const std::uint8_t> row(image.At(0, y), stride);
        const std::span<const std::uint8_t> above =
            y > 0 ? std::span<const std::uint8_t>(image.At(0, y - 1), stride) : zeros;
        // The usual heuristic: the filter whose output, read as signed bytes, sums smallest.
        long best_cost = -1;
        int best_type = 0;
        for (int type = 0; type <= 4; ++type) {
            FilterRow(type, row, above, trial);
            long cost = 0;
            for (std::uint8_t v : trial) cost += v < 128 ? v : 256 - v;
            if (best_cost < 0 || cost < best_cost) {
                best_cost = cost;
                best_type = type;
                best.swap(trial);
            }
        }
        raw.push_back(static_cast<std::uint8_t>(best_type));
        raw.insert(raw.end(), best.begin(), best.end());
    }

    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBigEndian(header, static_cast<std::uint32_t>(image.width));
    PutBigEndian(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, filters, no interlace
    Chunk(out, "IHDR", header);
    Chunk(out, "IDAT", ZlibCompress(raw));
    Chunk(out, "IEND", {});
    return out;
}

}  // namespace icon

#include "tests/install/icon_files.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace install_test {
namespace {

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    if (at + bytes > b.size()) throw std::runtime_error("read past the end of the file");
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
    return v;
}

std::uint32_t Be(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

void Require(bool condition, const std::string& what) {
    if (!condition) throw std::runtime_error(what);
}

}  // namespace

std::filesystem::path Stage() {
    return DRAVIK_STAGE;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadText(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

std::vector<IconEntry> ReadIconDirectory(const std::vector<std::uint8_t>& file) {
    Require(Le(file, 0, 2) == 0 && Le(file, 2, 2) == 1, "not an icon file");
    const std::uint32_t count = Le(file, 4, 2);
    std::vector<IconEntry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + 16 * i;
        IconEntry e;
        e.width = file.at(at) == 0 ? 256 : file[at];
        e.height = file.at(at + 1) == 0 ? 256 : file[at + 1];
        e.colour_count = file.at(at + 2);
        e.planes = static_cast<int>(Le(file, at + 4, 2));
        e.bits = static_cast<int>(Le(file, at + 6, 2));
        e.size = Le(file, at + 8, 4);
        e.offset = Le(file, at + 12, 4);
        Require(e.offset >= 6 + 16 * count && std::size_t{e.offset} + e.size <= file.size(),
                "image " + std::to_string(i) + " lies outside the file");
        entries.push_back(e);
    }
    return entries;
}

Pixels DecodeIconBitmap(const std::vector<std::uint8_t>& file, const IconEntry& entry) {
    const std::size_t at = entry.offset;
    Require(Le(file, at, 4) == 40, "the header is not a BITMAPINFOHEADER");
    const int width = static_cast<int>(Le(file, at + 4, 4));
    const int height2 = static_cast<int>(Le(file, at + 8, 4));
    const int bits = static_cast<int>(Le(file, at + 14, 2));
    const std::uint32_t used = Le(file, at + 32, 4);
    Require(width == entry.width && height2 == 2 * entry.height,
            "the header's size differs from the directory's");
    Require(Le(file, at + 12, 2) == 1, "planes is not 1");
    Require(bits == entry.bits, "the header's depth differs from the directory's");
    Require(Le(file, at + 16, 4) == 0, "the bitmap is compressed");

    const std::size_t palette_size = bits <= 8 ? (used != 0 ? used : (1u << bits)) : 0;
    Require(palette_size <= (bits <= 8 ? (1u << bits) : 0), "more colours than the depth holds");
    const std::size_t colour_row = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    const std::size_t mask_row = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    const std::size_t palette_at = at + 40;
    const std::size_t colour_at = palette_at + 4 * palette_size;
    const std::size_t mask_at = colour_at + colour_row * entry.height;
    Require(mask_at + mask_row * entry.height == at + entry.size,
            "the image's size in the directory does not match its header");

    Pixels out{width, entry.height, bits,
               std::vector<std::uint8_t>(static_cast<std::size_t>(width) * entry.height * 4)};
    for (int y = 0; y < entry.height; ++y) {
        const int stored_row = entry.height - 1 - y;  // rows run bottom to top
        const std::size_t row = colour_at + colour_row * stored_row;
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &out.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            if (bits == 32) {
                const std::size_t px = row + 4 * x;
                p[0] = file.at(px + 2), p[1] = file.at(px + 1), p[2] = file.at(px),
                p[3] = file.at(px + 3);
            } else {
                std::size_t index = 0;
                if (bits == 8) index = file.at(row + x);
                if (bits == 4) index = (file.at(row + x / 2) >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
                Require(index < palette_size, "a pixel's index lies outside the palette");
                const std::size_t c = palette_at + 4 * index;
                p[0] = file.at(c + 2), p[1] = file.at(c + 1), p[2] = file.at(c), p[3] = 255;
            }
            const bool masked =
                (file.at(mask_at + mask_row * stored_row + x / 8) >> (7 - x % 8)) & 1;
            if (bits == 32) {
                // Without alpha a system draws by the mask: the two must agree.
                Require(masked == (p[3] < 128), "the mask and the alpha disagree");
            }
            // A palette colour is XORed onto the screen where the mask lets the screen
            // through, so it must be black there.
            if (masked && bits <= 8) {
                Require(p[0] == 0 && p[1] == 0 && p[2] == 0, "a masked pixel is not black");
                p[3] = 0;
            }
        }
    }
    return out;
}

bool IsPng(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return size >= 8 && std::memcmp(data, kSignature, 8) == 0;
}

PngHeader ReadPngHeader(const std::uint8_t* data, std::size_t size) {
    Require(IsPng(data, size) && size >= 33 && std::memcmp(data + 12, "IHDR", 4) == 0,
            "not a PNG with its IHDR first");
    return {static_cast<int>(Be(data + 16)), static_cast<int>(Be(data + 20)), data[24], data[25]};
}

std::string CheckTrafficLight(const Pixels& pixels) {
    std::ostringstream problem;
    if (pixels.rgba.at(3) != 0) problem << "the top-left corner is not transparent; ";
    long red = 0, green = 0;
    double red_y = 0, green_y = 0;
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            const std::uint8_t* p =
                &pixels.rgba[(static_cast<std::size_t>(y) * pixels.width + x) * 4];
            if (p[3] < 128) continue;
            if (p[0] >= 150 && p[1] < 110 && p[2] < 110) ++red, red_y += y;
            if (p[1] >= 120 && p[0] < 110 && p[2] < 140) ++green, green_y += y;
        }
    }
    const long area = static_cast<long>(pixels.width) * pixels.height;
    // Each lamp covers several per cent of the picture at every size.
    if (red * 50 < area) problem << "too little red (" << red << " pixels); ";
    if (green * 50 < area) problem << "too little green (" << green << " pixels); ";
    if (red > 0 && green > 0 && red_y / red >= green_y / green)
        problem << "red is not above green; ";
    return problem.str();
}

}  // namespace install_test

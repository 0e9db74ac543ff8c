#include "ico.h"

#include <stdexcept>

#include "palette.h"
#include "png.h"

namespace icon {
namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::size_t RowBytes(int width, int bits) {
    return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
}

// A DIB as icons hold it: the header's height counts the colour rows and the mask rows,
// rows run bottom to top, each padded to four bytes; a set mask bit is a transparent pixel.
std::vector<std::uint8_t> EncodeBmp(const Image& image, int bits) {
    const int w = image.width;
    const int h = image.height;
    Palette palette;
    if (bits == 4) palette = StandardPalette16();
    if (bits == 8) {
        // Index 0 stays black: the screen shows through a masked pixel only if its colour,
        // which is XORed onto the screen, is zero.
        palette = BuildPalette(image, 255);
        palette.insert(palette.begin(), Rgb{0, 0, 0});
    }
    const std::size_t palette_entries = bits <= 8 ? (std::size_t{1} << bits) : 0;
    const std::size_t colour_row = RowBytes(w, bits);
    const std::size_t mask_row = RowBytes(w, 1);

    std::vector<std::uint8_t> out;
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(w));
    Put32(out, static_cast<std::uint32_t>(h * 2));
    Put16(out, 1);  // planes
    Put16(out, static_cast<unsigned>(bits));
    Put32(out, 0);  // uncompressed
    Put32(out, static_cast<std::uint32_t>((colour_row + mask_row) * h));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(palette_entries));
    Put32(out, 0);
    for (std::size_t i = 0; i < palette_entries; ++i) {
        const Rgb c = i < palette.size() ? palette[i] : Rgb{0, 0, 0};
        out.insert(out.end(), {c[2], c[1], c[0], 0});
    }

    for (int y = h - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(colour_row, 0);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = image.At(x, y);
            const bool opaque = p[3] >= kOpaqueFrom;
            if (bits == 32) {  // BGRA, straight alpha
                row[x * 4 + 0] = p[2];
                row[x * 4 + 1] = p[1];
                row[x * 4 + 2] = p[0];
                row[x * 4 + 3] = p[3];
                continue;
            }
            // Transparent pixels take index 0, black in both palettes.
            const std::size_t index = opaque ? NearestColour(palette, p) : 0;
            if (bits == 8) {
                row[x] = static_cast<std::uint8_t>(index);
            } else {
                row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = h - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(mask_row, 0);
        for (int x = 0; x < w; ++x) {
            if (image.At(x, y)[3] < kOpaqueFrom)
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> EncodeIco(const std::vector<IconImage>& images) {
    std::vector<std::vector<std::uint8_t>> bodies;
    for (const IconImage& entry : images) {
        if (entry.bits != 4 && entry.bits != 8 && entry.bits != 32) {
            throw std::invalid_argument("icon images are stored in 4, 8 or 32 bits");
        }
        if (entry.image.width < 1 || entry.image.width > 256 ||
            entry.image.height != entry.image.width) {
            throw std::invalid_argument("icon images are square, 1 to 256 pixels");
        }
        const bool png = entry.bits == 32 && entry.image.width == 256;
        bodies.push_back(png ? EncodePng(entry.image) : EncodeBmp(entry.image, entry.bits));
    }

    std::vector<std::uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);  // icon, not cursor
    Put16(out, static_cast<unsigned>(images.size()));
    std::size_t offset = 6 + 16 * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int size = images[i].image.width;
        const int bits = images[i].bits;
        out.push_back(static_cast<std::uint8_t>(size == 256 ? 0 : size));  // 0 stands for 256
        out.push_back(static_cast<std::uint8_t>(size == 256 ? 0 : size));
        out.push_back(static_cast<std::uint8_t>(bits == 4 ? 16 : 0));  // 0: 256 or more colours
        out.push_back(0);
        Put16(out, 1);
        Put16(out, static_cast<unsigned>(bits));
        Put32(out, static_cast<std::uint32_t>(bodies[i].size()));
        Put32(out, static_cast<std::uint32_t>(offset));
        offset += bodies[i].size();
    }
    for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace icon

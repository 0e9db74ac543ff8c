#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace icon {

// One image of an icon file and the colour depth it is stored in: 4 or 8 (a palette of 16
// or 256 colours and a transparency mask) or 32 (BGRA with alpha, plus the mask).
struct IconImage {
    Image image;
    int bits = 32;
};

// The images as a Windows .ico file: BMP-encoded below 256 pixels, PNG-encoded at 256.
std::vector<std::uint8_t> EncodeIco(const std::vector<IconImage>& images);

}  // namespace icon

#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace icon {

// The image as a PNG file: 8-bit RGBA, not interlaced, each row with the filter that
// makes its bytes smallest.
std::vector<std::uint8_t> EncodePng(const Image& image);

}  // namespace icon

#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "image.h"

namespace icon {

using Rgb = std::array<std::uint8_t, 3>;
using Palette = std::vector<Rgb>;

// Pixels with less alpha than this are transparent in the images that carry only a mask.
constexpr std::uint8_t kOpaqueFrom = 128;

// The sixteen colours every display shows in 16-colour mode.
const Palette& StandardPalette16();

// Up to `size` colours for the image's opaque pixels: every colour when they are few, else
// the means of the boxes that median cut divides them into.
Palette BuildPalette(const Image& image, std::size_t size);

std::size_t NearestColour(const Palette& palette, const std::uint8_t* rgb);

}  // namespace icon

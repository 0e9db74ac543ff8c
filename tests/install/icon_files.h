#pragma once

// Readers for the icon files as the tests see them, written from the file formats and not
// from the generator's code, so that a fault in the writer is not repeated here.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace install_test {

std::filesystem::path Stage();  // where the ctest fixture put the trees
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);

// One entry of an .ico directory.
struct IconEntry {
    int width = 0;  // 256 where the file says 0
    int height = 0;
    int colour_count = 0;
    int planes = 0;
    int bits = 0;
    std::uint32_t size = 0;
    std::uint32_t offset = 0;
};
// Throws std::runtime_error when the header is not an icon's.
std::vector<IconEntry> ReadIconDirectory(const std::vector<std::uint8_t>& file);

// Straight RGBA, rows top to bottom.
struct Pixels {
    int width = 0;
    int height = 0;
    int bits = 0;  // as stored
    std::vector<std::uint8_t> rgba;
};
// An icon image stored as a DIB: checks its header against the directory entry and decodes
// colour and mask (masked pixels get alpha 0). Throws std::runtime_error on any mismatch.
Pixels DecodeIconBitmap(const std::vector<std::uint8_t>& file, const IconEntry& entry);

struct PngHeader {
    int width = 0;
    int height = 0;
    int bit_depth = 0;
    int colour_type = 0;
};
bool IsPng(const std::uint8_t* data, std::size_t size);
PngHeader ReadPngHeader(const std::uint8_t* data, std::size_t size);  // throws when not a PNG

// What every image of the icon shows, at any size: an empty top-left corner and a red lamp
// above a green one. Returns an empty string when it does, else what is wrong.
std::string CheckTrafficLight(const Pixels& pixels);

}  // namespace install_test

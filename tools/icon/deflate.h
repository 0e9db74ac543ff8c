#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace icon {

// A zlib stream (RFC 1950) holding one deflate block with the fixed Huffman codes and
// LZ77 matches found through hash chains: small code, and a fraction of the stored size.
std::vector<std::uint8_t> ZlibCompress(std::span<const std::uint8_t> data);

std::uint32_t Crc32(std::span<const std::uint8_t> data, std::uint32_t crc = 0);
std::uint32_t Adler32(std::span<const std::uint8_t> data);

}  // namespace icon

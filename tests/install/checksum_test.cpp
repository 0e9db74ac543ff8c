// The checksums the icon generator's PNG and zlib writers put in their files.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>

#include "deflate.h"

TEST(Checksums, MatchTheirPublishedCheckValues) {
    const std::string digits = "123456789";
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(digits.data()),
                                              digits.size());
    EXPECT_EQ(icon::Crc32(bytes), 0xCBF43926u);
    EXPECT_EQ(icon::Crc32(bytes.subspan(4), icon::Crc32(bytes.first(4))), 0xCBF43926u)
        << "a CRC does not continue over a second piece";
    EXPECT_EQ(icon::Adler32(bytes), 0x091E01DEu);
    EXPECT_EQ(icon::Adler32({}), 1u);
}

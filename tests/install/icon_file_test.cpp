// The installed dravik.ico: thirteen images, their sizes and depths, and what they show.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <utility>

#include "tests/install/icon_files.h"

namespace {

using install_test::IconEntry;

class IcoFile : public ::testing::Test {
  protected:
    void SetUp() override {
        file_ = install_test::ReadBytes(install_test::Stage() / "prefix/share/dravik/dravik.ico");
        ASSERT_NO_THROW(entries_ = install_test::ReadIconDirectory(file_));
    }
    std::vector<std::uint8_t> file_;
    std::vector<IconEntry> entries_;
};

}  // namespace

TEST_F(IcoFile, HoldsEachSizeInSixteenAnd256ColoursAndTrueColour) {
    std::multiset<std::pair<int, int>> found;
    for (const IconEntry& e : entries_) {
        EXPECT_EQ(e.width, e.height);
        EXPECT_EQ(e.planes, 1);
        found.insert({e.width, e.bits});
    }
    std::multiset<std::pair<int, int>> expected = {{256, 32}};
    for (int size : {16, 24, 32, 48}) {
        for (int bits : {4, 8, 32}) expected.insert({size, bits});
    }
    EXPECT_EQ(entries_.size(), 13u);
    EXPECT_EQ(found, expected);
}

TEST_F(IcoFile, ImagesDoNotOverlap) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spans;
    for (const IconEntry& e : entries_) spans.push_back({e.offset, e.offset + e.size});
    std::sort(spans.begin(), spans.end());
    for (std::size_t i = 1; i < spans.size(); ++i) EXPECT_LE(spans[i - 1].second, spans[i].first);
}

// Decoding each bitmap by its header checks the header against the directory, the palette
// and the mask; the picture check catches rows upside down and a wrong palette.
TEST_F(IcoFile, EveryBitmapShowsARedLampAboveAGreenOne) {
    for (const IconEntry& e : entries_) {
        const std::string name =
            std::to_string(e.width) + " px " + std::to_string(e.bits) + " bits";
        if (install_test::IsPng(&file_[e.offset], e.size)) {
            EXPECT_EQ(e.width, 256) << name << ": only the 256-pixel image is a PNG";
            continue;
        }
        EXPECT_EQ(e.colour_count, e.bits == 4 ? 16 : 0) << name;
        install_test::Pixels pixels;
        try {
            pixels = install_test::DecodeIconBitmap(file_, e);
        } catch (const std::runtime_error& error) {
            ADD_FAILURE() << name << ": " << error.what();
            continue;
        }
        EXPECT_EQ(install_test::CheckTrafficLight(pixels), "") << name;
    }
}

TEST_F(IcoFile, The256PixelImageIsAnRgbaPng) {
    for (const IconEntry& e : entries_) {
        if (e.width != 256) continue;
        const install_test::PngHeader header =
            install_test::ReadPngHeader(&file_[e.offset], e.size);
        EXPECT_EQ(header.width, 256);
        EXPECT_EQ(header.height, 256);
        EXPECT_EQ(header.bit_depth, 8);
        EXPECT_EQ(header.colour_type, 6);
    }
}

// The icon generator's PNG and deflate writers, checked by Qt's independent PNG decoder.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "deflate.h"
#include "png.h"
#include "tests/install/icon_files.h"

namespace {

QImage Decode(const std::vector<std::uint8_t>& png) {
    return QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG");
}

install_test::Pixels ToPixels(const QImage& decoded) {
    const QImage rgba = decoded.convertToFormat(QImage::Format_RGBA8888);
    install_test::Pixels pixels{rgba.width(), rgba.height(), 32, {}};
    for (int y = 0; y < rgba.height(); ++y) {
        const auto* row = rgba.constScanLine(y);
        pixels.rgba.insert(pixels.rgba.end(), row, row + rgba.width() * 4);
    }
    return pixels;
}

struct Sample {
    const char* name;
    int width, height;
    std::function<void(icon::Image&)> fill;
};

void Noise(icon::Image& image) {
    std::mt19937 random(7);
    for (auto& byte : image.rgba) byte = static_cast<std::uint8_t>(random());
}

// Rows of noise that come back after `period` rows: matches just inside the 32 KiB window
// of deflate and just outside it.
std::function<void(icon::Image&)> RepeatingRows(int period) {
    return [period](icon::Image& image) {
        std::mt19937 random(11);
        const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
        for (int y = 0; y < image.height; ++y) {
            if (y >= period) {
                std::memcpy(image.At(0, y), image.At(0, y - period), stride);
            } else {
                for (std::size_t i = 0; i < stride; ++i)
                    image.At(0, y)[i] = static_cast<std::uint8_t>(random());
            }
        }
    };
}

}  // namespace

TEST(PngEncoder, ImagesComeBackExactlyFromQtsDecoder) {
    const std::vector<Sample> samples = {
        {"one pixel", 1, 1,
         [](icon::Image& i) {
             i.rgba = {10, 20, 30, 40};
         }},
        {"transparent", 5, 3, [](icon::Image&) {}},
        {"flat", 300, 7,
         [](icon::Image& i) {
             for (std::size_t k = 0; k < i.rgba.size(); ++k) i.rgba[k] = k % 4 == 3 ? 255 : 200;
         }},
        {"gradient", 64, 64,
         [](icon::Image& i) {
             for (int y = 0; y < 64; ++y)
                 for (int x = 0; x < 64; ++x) {
                     std::uint8_t* p = i.At(x, y);
                     p[0] = static_cast<std::uint8_t>(x * 4),
                     p[1] = static_cast<std::uint8_t>(y * 4);
                     p[2] = static_cast<std::uint8_t>(x ^ y),
                     p[3] = static_cast<std::uint8_t>(255 - x);
                 }
         }},
        {"noise", 97, 41, Noise},
        // 256 pixels make rows of 1025 bytes with their filter byte: 31 rows lie 31775 bytes
        // back, 32 rows 32800, beyond the window.
        {"rows again after 31", 256, 80, RepeatingRows(31)},
        {"rows again after 32", 256, 80, RepeatingRows(32)},
        {"long runs", 1000, 40,
         [](icon::Image& i) {
             for (std::size_t k = 0; k < i.rgba.size(); ++k)
                 i.rgba[k] = static_cast<std::uint8_t>((k / 5000) * 37);
         }},
    };
    for (const Sample& sample : samples) {
        icon::Image image(sample.width, sample.height);
        sample.fill(image);
        const QImage decoded = Decode(icon::EncodePng(image));
        ASSERT_FALSE(decoded.isNull()) << sample.name << ": Qt cannot read it";
        ASSERT_EQ(decoded.width(), sample.width) << sample.name;
        ASSERT_EQ(decoded.height(), sample.height) << sample.name;
        EXPECT_EQ(ToPixels(decoded).rgba, image.rgba) << sample.name;
    }
}

TEST(ThemeIcons, DecodeToTheTrafficLight) {
    for (int n : {16, 24, 32, 48, 256}) {
        const std::string size = std::to_string(n) + "x" + std::to_string(n);
        const QImage image(QString::fromStdString(
            (install_test::Stage() / "prefix/share/icons/hicolor" / size / "apps/dravik.png")
                .string()));
        ASSERT_FALSE(image.isNull()) << size;
        EXPECT_EQ(install_test::CheckTrafficLight(ToPixels(image)), "") << size;
    }
}

TEST(IcoPng, DecodesToTheTrafficLight) {
    const auto file =
        install_test::ReadBytes(install_test::Stage() / "prefix/share/dravik/dravik.ico");
    for (const install_test::IconEntry& e : install_test::ReadIconDirectory(file)) {
        if (e.width != 256) continue;
        const QImage image = QImage::fromData(&file[e.offset], static_cast<int>(e.size), "PNG");
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(install_test::CheckTrafficLight(ToPixels(image)), "");
    }
}

// The icon's PNGs, as installed and inside the .ico, decoded by Qt.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <string>

#include "tests/install/icon_files.h"

namespace {

install_test::Pixels ToPixels(const QImage& decoded) {
    const QImage rgba = decoded.convertToFormat(QImage::Format_RGBA8888);
    install_test::Pixels pixels{rgba.width(), rgba.height(), 32, {}};
    for (int y = 0; y < rgba.height(); ++y) {
        const auto* row = rgba.constScanLine(y);
        pixels.rgba.insert(pixels.rgba.end(), row, row + rgba.width() * 4);
    }
    return pixels;
}

}  // namespace

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

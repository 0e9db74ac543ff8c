// AppIcon() and the Qt resource it reads.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QSize>

#include "app/app_icon.h"
#include "tests/install/icon_files.h"

TEST(AppIcon, OffersTheWindowSizesFromTheResource) {
    // Pixmaps need the application object; the window-less platform serves.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "install_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);

    const QIcon icon = AppIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> expected = {{16, 16}, {24, 24}, {32, 32}, {48, 48}};
    EXPECT_EQ(icon.availableSizes(), expected);
    for (const QSize& size : expected) {
        const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_RGBA8888);
        ASSERT_EQ(image.size(), size);
        install_test::Pixels pixels{size.width(), size.height(), 32, {}};
        for (int y = 0; y < image.height(); ++y) {
            pixels.rgba.insert(pixels.rgba.end(), image.constScanLine(y),
                               image.constScanLine(y) + image.width() * 4);
        }
        EXPECT_EQ(install_test::CheckTrafficLight(pixels), "") << size.width() << " px";
    }
}

#include "app/app_icon.h"

#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QString>

QIcon AppIcon() {
    // Registered explicitly as well as by the resource's own initialiser, which a linker may
    // drop once the resource sits in a static library.
    static const bool registered = [] {
        Q_INIT_RESOURCE(dravik_icon);
        return true;
    }();
    (void)registered;

    // Read as PNG with detection off: a reader left to detect the format (as QIcon::addFile
    // does) loads every image-format plugin to ask it about the file, which costs the start
    // tens of milliseconds and the process several libraries. PNG is built into the toolkit.
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QImageReader reader(QStringLiteral(":/icons/dravik_%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

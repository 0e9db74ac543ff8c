#include "app/app_icon.h"

#include <QSize>
#include <QString>

QIcon AppIcon() {
    // Registered explicitly as well as by the resource's own initialiser, which a linker may
    // drop once the resource sits in a static library.
    static const bool registered = [] {
        Q_INIT_RESOURCE(dravik_icon);
        return true;
    }();
    (void)registered;

    QIcon icon;
    for (int size : {16, 24, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/icons/dravik_%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

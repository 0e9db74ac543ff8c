// Draws the program's icon at build time into the folder named by the one argument:
// dravik.ico (thirteen images for Windows) and dravik_<n>.png (n = 16, 24, 32, 48, 256) for the
// desktop's icon theme and the window. QImage and QPainter need no display.
#include <QDir>
#include <QSaveFile>
#include <cstdio>
#include <exception>

#include "icon.h"

int main(int argc, char** argv) try {
    if (argc != 2) {
        std::fprintf(stderr, "usage: icon_generator OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    bool ok = folder.mkpath(QStringLiteral("."));
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QSaveFile file(folder.filePath(name));
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
            return;
        std::fprintf(stderr, "icon_generator: cannot write %s\n", qPrintable(file.fileName()));
        ok = false;
    };
    std::vector<std::pair<QImage, int>> images;  // with their depths
    for (int size : {16, 24, 32, 48, 256}) {
        const QImage full = icon::DrawIcon(size, true);
        if (size < 256) images.insert(images.end(), {{icon::DrawIcon(size, false), 4}, {full, 8}});
        images.push_back({full, 32});
        write(QStringLiteral("dravik_%1.png").arg(size), icon::EncodePng(full));
    }
    write(QStringLiteral("dravik.ico"), icon::EncodeIco(images));
    return ok ? 0 : 1;
} catch (const std::exception& error) {
    std::fprintf(stderr, "icon_generator: %s\n", error.what());
    return 1;
}

#pragma once
// The program's icon, drawn with QPainter, and the .ico container that Qt does not write.

#include <QByteArray>
#include <QImage>
#include <utility>
#include <vector>

namespace icon {

// A two-lamp traffic light, red over green, on a weighbridge deck, as straight ARGB:
// anti-aliased and shaded in full colour, else with hard edges in standard 16 colours only.
QImage DrawIcon(int size, bool full_colour);

// Images with their depths as an icon file: 4 or 8 (16 or 256 palette colours and a mask) or
// 32 (BGRA with alpha, plus the mask); PNG-encoded at 256 pixels.
QByteArray EncodeIco(const std::vector<std::pair<QImage, int>>& images);
QByteArray EncodePng(const QImage& image);  // throws std::runtime_error when Qt cannot

}  // namespace icon

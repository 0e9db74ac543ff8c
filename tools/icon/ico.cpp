// The .ico container: Qt reads icon files but writes neither palette images nor masks.
#include <QBuffer>
#include <QDataStream>
#include <QSet>
#include <stdexcept>

#include "icon.h"

namespace icon {
namespace {

// Pixels with less alpha than this are transparent in the images that carry only a mask.
constexpr int kOpaqueFrom = 128;

// The sixteen colours every display shows, in their usual order.
const QList<QRgb> kStandard16 = {
    0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080, 0xff008080, 0xffc0c0c0,
    0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00, 0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff};

// Masked pixels black (the screen shows through only where the colour XORed onto it is zero),
// the rest opaque; then Qt maps each to the nearest of the 16 standard colours, or keeps up to
// 256 colours exactly: for more, the channels lose low bits first.
QImage Indexed(const QImage& image, int bits) {
    for (int drop = 0;; ++drop) {
        const QRgb keep = 0xFF000000u | (0xFFu << drop & 0xFFu) * 0x010101u;
        const QRgb centre = drop > 0 ? (1u << (drop - 1)) * 0x010101u : 0;
        QImage opaque(image.size(), QImage::Format_RGB32);
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                opaque.setPixel(x, y, qAlpha(p) >= kOpaqueFrom ? (p & keep) | centre : 0xFF000000u);
                colours.insert(opaque.pixel(x, y));
            }
        }
        if (bits == 4) return opaque.convertToFormat(QImage::Format_Indexed8, kStandard16);
        if (colours.size() <= 256)
            return opaque.convertToFormat(QImage::Format_Indexed8, Qt::AvoidDither);
    }
}

// A row of `bits`-bit values (1, 4 or 8), the leftmost highest in its byte, padded to 4 bytes.
template <typename Value>
void PackRow(QDataStream& s, int bits, int width, Value value) {
    for (int x = 0; x < width; x += 8 / bits) {
        unsigned byte = 0;
        for (int i = x; i < x + 8 / bits; ++i)
            byte = byte << bits | (i < width ? unsigned(value(i)) : 0u);
        s << quint8(byte);
    }
    while (s.device()->pos() % 4 != 0) s << quint8(0);
}

// A DIB as icons hold it: the header's height counts the colour rows and the mask rows; rows
// run bottom to top; a set mask bit is a transparent pixel.
QByteArray EncodeBitmap(const QImage& image, int bits) {
    const int w = image.width(), h = image.height(), entries = bits <= 8 ? 1 << bits : 0;
    const QImage indexed = bits <= 8 ? Indexed(image, bits) : image;
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    const int size = h * ((w * bits + 31) / 32 + (w + 31) / 32) * 4;  // colour and mask rows
    s << quint32(40) << qint32(w) << qint32(h * 2) << quint16(1) << quint16(bits) << quint32(0)
      << quint32(size) << qint32(0) << qint32(0) << quint32(entries) << quint32(0);
    for (int i = 0; i < entries; ++i)
        s << (i < indexed.colorCount() ? indexed.color(i) & 0xFFFFFFu : 0u);  // BGR0
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; bits == 32 && x < w; ++x) s << image.pixel(x, y);  // BGRA, straight alpha
        if (bits <= 8) PackRow(s, bits, w, [&](int x) { return indexed.pixelIndex(x, y); });
    }
    for (int y = h - 1; y >= 0; --y)
        PackRow(s, 1, w, [&](int x) { return qAlpha(image.pixel(x, y)) < kOpaqueFrom; });
    return out;
}

}  // namespace

QByteArray EncodePng(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        throw std::runtime_error("Qt cannot encode a PNG");
    return png;
}

QByteArray EncodeIco(const std::vector<std::pair<QImage, int>>& images) {
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << quint16(0) << quint16(1) << quint16(images.size());  // 1: an icon, not a cursor
    std::vector<QByteArray> bodies;
    quint32 offset = 6 + 16 * quint32(images.size());
    for (const auto& [image, bits] : images) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        const int size = image.width();
        bodies.push_back(bits == 32 && size == 256 ? EncodePng(argb) : EncodeBitmap(argb, bits));
        s << quint8(size) << quint8(size) << quint8(bits == 4 ? 16 : 0) << quint8(0)  // 256 as 0
          << quint16(1) << quint16(bits) << quint32(bodies.back().size()) << offset;
        offset += quint32(bodies.back().size());
    }
    for (const QByteArray& body : bodies) s.writeRawData(body.constData(), int(body.size()));
    return out;
}

}  // namespace icon

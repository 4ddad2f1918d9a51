#pragma once

// Uncompressed 8-bit RGB and CMYK TIFF files, written and read byte by byte, to hand pixels to
// Little CMS's own tificc tool and read its answer.

#include <QByteArray>
#include <QImage>
#include <QtEndian>
#include <vector>

namespace zarovia::colourtest {

namespace tiffdetail {
inline void put16(QByteArray& out, quint16 v) {
    out.append(char(v & 0xFF)).append(char(v >> 8));
}
inline void put32(QByteArray& out, quint32 v) {
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}
}  // namespace tiffdetail

// One strip of `samples` bytes per pixel (3: RGB, 4: CMYK with 0 = no ink).
inline QByteArray tiffFile(int width, int height, int samples, const QByteArray& pixels) {
    using namespace tiffdetail;
    QByteArray out("II*\0", 4);
    const int entries = 10;
    const quint32 ifd = 8;
    const quint32 bitsAt = ifd + 2 + entries * 12 + 4;
    const quint32 pixelsAt = bitsAt + 8;
    put32(out, ifd);
    put16(out, entries);
    const auto entry = [&](quint16 tag, quint16 type, quint32 count, quint32 value) {
        put16(out, tag);
        put16(out, type);
        put32(out, count);
        put32(out, value);
    };
    entry(256, 4, 1, quint32(width));
    entry(257, 4, 1, quint32(height));
    entry(258, 3, quint32(samples), bitsAt);
    entry(259, 3, 1, 1);                     // no compression
    entry(262, 3, 1, samples == 4 ? 5 : 2);  // separated (CMYK) or RGB
    entry(273, 4, 1, pixelsAt);
    entry(277, 3, 1, quint32(samples));
    entry(278, 4, 1, quint32(height));
    entry(279, 4, 1, quint32(pixels.size()));
    entry(284, 3, 1, 1);  // contiguous
    put32(out, 0);
    for (int i = 0; i < 4; ++i) put16(out, 8);
    return out + pixels;
}

inline QByteArray rgbBytes(const QImage& image) {
    QByteArray out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            out.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        }
    return out;
}

// The pixels of an uncompressed, contiguous 8-bit RGB TIFF (little- or big-endian, any number
// of strips); null when it is anything else.
inline QImage readRgbTiff(const QByteArray& file) {
    if (file.size() < 8) return {};
    const bool little = file.startsWith("II");
    const auto* d = reinterpret_cast<const uchar*>(file.constData());
    const auto u16 = [&](qsizetype at) -> quint32 {
        return at + 2 <= file.size()
                   ? (little ? qFromLittleEndian<quint16>(d + at) : qFromBigEndian<quint16>(d + at))
                   : 0;
    };
    const auto u32 = [&](qsizetype at) -> quint32 {
        return at + 4 <= file.size()
                   ? (little ? qFromLittleEndian<quint32>(d + at) : qFromBigEndian<quint32>(d + at))
                   : 0;
    };
    const quint32 ifd = u32(4);
    const quint32 count = u16(ifd);
    quint32 width = 0, height = 0, compression = 1, samples = 0, planar = 1;
    std::vector<quint32> offsets, sizes;
    const auto values = [&](quint32 at, std::vector<quint32>& into) {
        const quint32 type = u16(at + 2), n = u32(at + 4);
        const quint32 size = type == 3 ? 2 : 4;
        const quint32 base = n * size <= 4 ? at + 8 : u32(at + 8);
        for (quint32 i = 0; i < n && i < 1000000; ++i)
            into.push_back(type == 3 ? u16(base + i * 2) : u32(base + i * 4));
    };
    for (quint32 i = 0; i < count; ++i) {
        const quint32 at = ifd + 2 + i * 12;
        const quint32 tag = u16(at), type = u16(at + 2);
        const quint32 value = type == 3 ? u16(at + 8) : u32(at + 8);
        switch (tag) {
            case 256:
                width = value;
                break;
            case 257:
                height = value;
                break;
            case 259:
                compression = value;
                break;
            case 273:
                values(at, offsets);
                break;
            case 277:
                samples = value;
                break;
            case 279:
                values(at, sizes);
                break;
            case 284:
                planar = value;
                break;
            default:
                break;
        }
    }
    if (compression != 1 || samples != 3 || planar != 1 || width == 0 || height == 0) return {};
    QByteArray pixels;
    for (std::size_t i = 0; i < offsets.size() && i < sizes.size(); ++i)
        pixels += file.mid(offsets[i], sizes[i]);
    if (pixels.size() < qsizetype(width) * height * 3) return {};
    QImage image(int(width), int(height), QImage::Format_RGB32);
    for (int y = 0; y < int(height); ++y)
        for (int x = 0; x < int(width); ++x) {
            const qsizetype at = (qsizetype(y) * width + x) * 3;
            image.setPixel(x, y,
                           qRgb(uchar(pixels[at]), uchar(pixels[at + 1]), uchar(pixels[at + 2])));
        }
    return image;
}

}  // namespace zarovia::colourtest

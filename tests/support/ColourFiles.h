#pragma once

// Pictures with colour information made byte by byte for the colour tests: JPEGs with an ICC
// profile in APP2 chunks, version 5 bitmaps with an embedded profile or calibrated endpoints,
// and the real profiles Debian installs.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace zarovia::colourtest {

inline QString installedProfile(const QString& name) {
    for (const char* dir : {"/usr/share/color/icc/colord/", "/usr/share/color/icc/ghostscript/",
                            "/usr/share/color/icc/"}) {
        const QString path = QString::fromLatin1(dir) + name;
        if (QFile::exists(path)) return path;
    }
    return {};
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Flat patches of the given colours side by side, each `side` pixels square.
inline QImage patches(const std::vector<QRgb>& colours, int side = 32) {
    QImage image(side * static_cast<int>(colours.size()), side, QImage::Format_RGB32);
    for (int i = 0; i < static_cast<int>(colours.size()); ++i)
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) image.setPixel(i * side + x, y, colours[i]);
    return image;
}

// The colour at the centre of patch `i` of an image made by patches() (at any scale).
inline QRgb patchCentre(const QImage& image, int i, int count) {
    const int side = image.width() / count;
    return image.pixel(i * side + side / 2, image.height() / 2);
}

// APP2 segments ("ICC_PROFILE\0", sequence, count, piece) carrying `profile` in pieces of at
// most `pieceSize` bytes, in the order `order` gives (indexes into the pieces; all of them when
// empty). `countOverride` > 0 writes that count instead of the true one.
inline QByteArray iccSegments(const QByteArray& profile, int pieceSize, std::vector<int> order = {},
                              int countOverride = 0) {
    std::vector<QByteArray> pieces;
    for (int at = 0; at < profile.size(); at += pieceSize)
        pieces.push_back(profile.mid(at, pieceSize));
    if (order.empty())
        for (int i = 0; i < static_cast<int>(pieces.size()); ++i) order.push_back(i);
    const int count = countOverride > 0 ? countOverride : static_cast<int>(pieces.size());
    QByteArray out;
    for (const int i : order) {
        if (i >= static_cast<int>(pieces.size())) continue;  // a test asking for more pieces
        const QByteArray& piece = pieces[static_cast<std::size_t>(i)];
        const int length = 2 + 12 + 2 + static_cast<int>(piece.size());
        out.append(char(0xFF)).append(char(0xE2));
        out.append(char(length >> 8)).append(char(length & 0xFF));
        out.append("ICC_PROFILE", 12);
        out.append(char(i + 1)).append(char(count));
        out.append(piece);
    }
    return out;
}

// `image` as a JPEG of quality 100, with `segments` inserted right after its SOI marker.
inline QByteArray jpegWith(const QImage& image, const QByteArray& segments) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    writer.write(image);
    return jpeg.left(2) + segments + jpeg.mid(2);
}

inline void putU16(QByteArray& out, std::uint32_t v) {
    out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}
inline void putU32(QByteArray& out, std::uint32_t v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

struct BmpColour {
    std::uint32_t csType = 0x73524742;  // "sRGB"
    // FXPT2DOT30 XYZ of red, green and blue, and 16.16 gammas.
    std::array<std::array<double, 3>, 3> endpoints{};
    std::array<double, 3> gamma{};
    QByteArray profile;  // appended after the pixels, with the V5 fields pointing at it
    // When set, written as the profile's offset and size instead of the true ones.
    std::int64_t profileOffset = -1;
    std::int64_t profileSize = -1;
};

// A 24-bit bottom-up .bmp with a version 5 header.
inline QByteArray bmpV5(const QImage& image, const BmpColour& colour) {
    const int width = image.width(), height = image.height();
    const int stride = (width * 3 + 3) & ~3;
    QByteArray pixels;
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row;
        for (int x = 0; x < width; ++x) {
            const QRgb c = image.pixel(x, y);
            row.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        }
        row.append(QByteArray(stride - row.size(), '\0'));
        pixels += row;
    }
    const std::uint32_t headerSize = 124;
    const std::uint32_t offBits = 14 + headerSize;
    QByteArray info;
    putU32(info, headerSize);
    putU32(info, static_cast<std::uint32_t>(width));
    putU32(info, static_cast<std::uint32_t>(height));
    putU16(info, 1);
    putU16(info, 24);
    putU32(info, 0);  // BI_RGB
    putU32(info, static_cast<std::uint32_t>(pixels.size()));
    putU32(info, 2835);
    putU32(info, 2835);
    putU32(info, 0);
    putU32(info, 0);
    for (int i = 0; i < 4; ++i) putU32(info, 0);  // masks
    putU32(info, colour.csType);
    for (const auto& xyz : colour.endpoints)
        for (const double v : xyz)
            putU32(info, static_cast<std::uint32_t>(static_cast<std::int32_t>(v * (1 << 30))));
    for (const double g : colour.gamma) putU32(info, static_cast<std::uint32_t>(g * 65536.0 + 0.5));
    putU32(info, 4);  // LCS_GM_IMAGES
    const std::uint32_t profileOffset =
        colour.profileOffset >= 0 ? static_cast<std::uint32_t>(colour.profileOffset)
                                  : headerSize + static_cast<std::uint32_t>(pixels.size());
    const std::uint32_t profileSize = colour.profileSize >= 0
                                          ? static_cast<std::uint32_t>(colour.profileSize)
                                          : static_cast<std::uint32_t>(colour.profile.size());
    putU32(info, colour.profile.isEmpty() && colour.profileOffset < 0 ? 0 : profileOffset);
    putU32(info, colour.profile.isEmpty() && colour.profileSize < 0 ? 0 : profileSize);
    putU32(info, 0);
    QByteArray file("BM");
    putU32(file, offBits + static_cast<std::uint32_t>(pixels.size() + colour.profile.size()));
    putU32(file, 0);
    putU32(file, offBits);
    return file + info + pixels + colour.profile;
}

}  // namespace zarovia::colourtest

#pragma once

// Makes bitmaps, packed DIBs and icons byte by byte, so each test states the one header field
// it is about.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

namespace zarovia::bmptest {

struct DibParts {
    std::int32_t width = 4;
    std::int32_t height = 2;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    std::uint32_t clrUsed = 0;
    std::uint32_t sizeImage = 0;
    // Written after a 40-byte header, or inside a 52/56/108/124-byte one.
    std::vector<std::uint32_t> masks;
    std::vector<QRgb> palette;
    QByteArray pixels;
    // Bytes appended to a V5 header's end, with the profile fields pointing at them.
    QByteArray embeddedProfile;
};

void putU16(QByteArray& out, std::uint32_t v);
void putU32(QByteArray& out, std::uint32_t v);

// Rows given as raw bytes, each padded to a multiple of 4.
QByteArray paddedRows(const std::vector<QByteArray>& rows);

QByteArray packedDib(const DibParts& parts);
// Header, masks and palette only.
QByteArray dibInfo(const DibParts& parts);
// A whole .bmp file; `offBits` < 0 means the true pixel offset.
QByteArray bmpFile(const DibParts& parts, std::int64_t offBits = -1);

struct IconEntryParts {
    QByteArray data;   // a packed DIB or a PNG
    int dirWidth = 0;  // as written in the directory (0 stands for 256)
    int dirHeight = 0;
    int dirBitCount = 0;
    std::int64_t offsetOverride = -1;
};
QByteArray icoFile(const std::vector<IconEntryParts>& entries, std::uint16_t type = 1);

// An icon entry of one solid colour (8-bit palette or 24/32-bit) with an AND mask whose
// rows come from `maskRows` (empty: all opaque).
QByteArray solidIconDib(int width, int height, int bitCount, QRgb colour,
                        const std::vector<QByteArray>& maskRows = {});

QByteArray pngBytes(const QImage& image);

}  // namespace zarovia::bmptest

#include "DibBuilder.h"

#include <QBuffer>

namespace zarovia::bmptest {

void putU16(QByteArray& out, std::uint32_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

void putU32(QByteArray& out, std::uint32_t v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

QByteArray paddedRows(const std::vector<QByteArray>& rows) {
    QByteArray out;
    for (const QByteArray& row : rows) {
        out += row;
        out.append(static_cast<int>((4 - row.size() % 4) % 4), '\0');
    }
    return out;
}

QByteArray dibInfo(const DibParts& parts) {
    QByteArray out;
    putU32(out, parts.headerSize);
    if (parts.headerSize == 12) {
        putU16(out, static_cast<std::uint32_t>(parts.width));
        putU16(out, static_cast<std::uint32_t>(parts.height));
        putU16(out, 1);
        putU16(out, parts.bitCount);
    } else {
        putU32(out, static_cast<std::uint32_t>(parts.width));
        putU32(out, static_cast<std::uint32_t>(parts.height));
        putU16(out, 1);
        putU16(out, parts.bitCount);
        putU32(out, parts.compression);
        putU32(out, parts.sizeImage);
        putU32(out, 2835);
        putU32(out, 2835);
        putU32(out, parts.clrUsed);
        putU32(out, 0);
        const bool masksInside = parts.headerSize >= 52;
        if (masksInside) {
            for (std::size_t i = 0; i < 4; ++i) {
                if (out.size() + 4 > static_cast<qsizetype>(parts.headerSize)) break;
                putU32(out, i < parts.masks.size() ? parts.masks[i] : 0);
            }
        }
        if (parts.headerSize == 124 && !parts.embeddedProfile.isEmpty()) {
            // bV5CSType at 56 says "embedded"; offset and size at 112 and 116.
            out.replace(56, 4, QByteArray("DEBM", 4));
        }
        while (out.size() < static_cast<qsizetype>(parts.headerSize)) out.append('\0');
        if (!masksInside)
            for (const std::uint32_t m : parts.masks) putU32(out, m);
    }
    for (const QRgb c : parts.palette) {
        out.append(static_cast<char>(qBlue(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qRed(c)));
        if (parts.headerSize != 12) out.append('\0');
    }
    return out;
}

QByteArray packedDib(const DibParts& parts) {
    QByteArray out = dibInfo(parts) + parts.pixels;
    if (parts.headerSize == 124 && !parts.embeddedProfile.isEmpty()) {
        QByteArray fields;
        putU32(fields, static_cast<std::uint32_t>(out.size()));
        putU32(fields, static_cast<std::uint32_t>(parts.embeddedProfile.size()));
        out.replace(112, 8, fields);
        out += parts.embeddedProfile;
    }
    return out;
}

QByteArray bmpFile(const DibParts& parts, std::int64_t offBits) {
    const QByteArray info = dibInfo(parts);
    QByteArray out("BM");
    putU32(out, static_cast<std::uint32_t>(14 + info.size() + parts.pixels.size()));
    putU32(out, 0);
    putU32(out, static_cast<std::uint32_t>(offBits < 0 ? 14 + info.size() : offBits));
    return out + info + parts.pixels;
}

QByteArray icoFile(const std::vector<IconEntryParts>& entries, std::uint16_t type) {
    QByteArray out;
    putU16(out, 0);
    putU16(out, type);
    putU16(out, static_cast<std::uint32_t>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const IconEntryParts& e : entries) {
        out.append(static_cast<char>(e.dirWidth & 0xFF));
        out.append(static_cast<char>(e.dirHeight & 0xFF));
        out.append('\0');
        out.append('\0');
        putU16(out, 1);
        putU16(out, static_cast<std::uint32_t>(e.dirBitCount));
        putU32(out, static_cast<std::uint32_t>(e.data.size()));
        putU32(out, e.offsetOverride >= 0 ? static_cast<std::uint32_t>(e.offsetOverride) : offset);
        offset += static_cast<std::uint32_t>(e.data.size());
    }
    for (const IconEntryParts& e : entries) out += e.data;
    return out;
}

QByteArray solidIconDib(int width, int height, int bitCount, QRgb colour,
                        const std::vector<QByteArray>& maskRows) {
    DibParts parts;
    parts.width = width;
    parts.height = height * 2;
    parts.bitCount = static_cast<std::uint16_t>(bitCount);
    std::vector<QByteArray> rows;
    for (int y = 0; y < height; ++y) {
        QByteArray row;
        for (int x = 0; x < width; ++x) {
            if (bitCount == 8) {
                row.append('\0');
            } else {
                row.append(static_cast<char>(qBlue(colour)));
                row.append(static_cast<char>(qGreen(colour)));
                row.append(static_cast<char>(qRed(colour)));
                if (bitCount == 32) row.append(static_cast<char>(qAlpha(colour)));
            }
        }
        rows.push_back(row);
    }
    if (bitCount == 8) parts.palette = {colour};
    if (bitCount == 8) parts.clrUsed = 1;
    parts.pixels = paddedRows(rows);
    std::vector<QByteArray> mask = maskRows;
    while (static_cast<int>(mask.size()) < height)
        mask.push_back(QByteArray((width + 7) / 8, '\0'));
    parts.pixels += paddedRows(mask);
    return packedDib(parts);
}

QByteArray pngBytes(const QImage& image) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return out;
}

}  // namespace zarovia::bmptest

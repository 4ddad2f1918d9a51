#include "picture/bmp/Dib.h"

#include "picture/Picture.h"
#include "picture/bmp/DibFormat.h"
#include "picture/bmp/DibPixels.h"
#include "platform/Cancellation.h"

#include <algorithm>

namespace zarovia::picture {

using namespace dib;

namespace {

Palette readPalette(ByteReader& info, const DibHeader& header, bool paletteIndexes) {
    Palette palette;
    palette.fill(qRgb(0, 0, 0));
    if (header.bitCount > 8) return palette;  // beside true-colour pixels it is only a hint
    const std::size_t entrySize = colourTableEntrySize(header, paletteIndexes);
    const std::uint32_t declared = colourTableEntries(header);
    // A table cut short by the pixel offset keeps the entries that are there.
    const std::size_t count = std::min<std::size_t>(declared, info.remaining() / entrySize);
    if (paletteIndexes) {
        // Indexes into a palette we do not have: spread them over a grey ramp.
        const std::uint32_t top = std::max<std::uint32_t>(1, declared - 1);
        for (std::size_t i = 0; i < count; ++i) {
            const int grey =
                static_cast<int>(std::min<std::uint32_t>(255, info.u16() * 255u / top));
            palette[i] = qRgb(grey, grey, grey);
        }
        return palette;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* e = info.take(entrySize);
        palette[i] = qRgb(e[2], e[1], e[0]);
    }
    return palette;
}

std::array<std::uint32_t, 4> channelMasks(ByteReader& info, const DibHeader& header) {
    const bool bitfields = !header.os2Header && (header.compression == BI_BITFIELDS ||
                                                 header.compression == BI_ALPHABITFIELDS);
    if (!bitfields) {
        if (header.bitCount == 16) return {0x7C00u, 0x03E0u, 0x001Fu, 0u};
        return {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u};
    }
    if (header.headerMaskCount > 0) return header.headerMasks;
    std::array<std::uint32_t, 4> masks{};
    const int count = header.compression == BI_ALPHABITFIELDS ? 4 : 3;
    for (int i = 0; i < count; ++i) masks[i] = info.u32();
    return masks;
}

bool anyAlpha(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 0) return true;
    }
    return false;
}

void makeOpaque(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        checkpoint();
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) line[x] |= 0xFF000000u;
    }
}

// The AND mask: one bit per pixel, rows padded to 32 bits; a set bit is transparent.
void applyAndMask(const unsigned char* mask, std::size_t maskStride, bool topDown, QImage& image) {
    const int width = image.width();
    const int height = image.height();
    for (int row = 0; row < height; ++row) {
        checkpoint();
        const unsigned char* src = mask + static_cast<std::size_t>(row) * maskStride;
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(topDown ? row : height - 1 - row));
        for (int x = 0; x < width; ++x) {
            const bool transparent = (src[x >> 3] >> (7 - (x & 7))) & 1;
            line[x] = transparent ? 0u : (line[x] | 0xFF000000u);
        }
    }
}

// Bytes an uncompressed block of rows needs: full strides, except that the last row needs only
// its pixels (some writers leave off the final padding).
std::uint64_t rowBlockSize(std::uint64_t stride, std::int64_t width, int bitCount,
                           std::int64_t rows) {
    const std::uint64_t limit = std::uint64_t{1} << 48;
    const std::uint64_t lastRow = (checkedMul(static_cast<std::uint64_t>(width),
                                              static_cast<std::uint64_t>(bitCount), limit) +
                                   7) /
                                  8;
    return checkedAdd(checkedMul(stride, static_cast<std::uint64_t>(rows - 1), limit), lastRow,
                      limit);
}

// Where the pixels start, counted from the start of the header, when the caller knows it.
constexpr std::uint64_t kPixelsOffsetUnknown = ~std::uint64_t{0};

// Some icon writers put an ICC profile where the AND mask belongs; then there is no mask.
bool profileTakesMaskPlace(const DibHeader& header, std::uint64_t pixelsOffset,
                           std::uint64_t maskOffset, std::uint64_t maskSize) {
    if (header.profileSize == 0 || pixelsOffset == kPixelsOffsetUnknown) return false;
    const std::uint64_t maskStart = pixelsOffset + maskOffset;
    return header.profileOffset < maskStart + maskSize &&
           std::uint64_t{header.profileOffset} + header.profileSize > maskStart;
}

QImage decodeDibChecked(ByteReader info, ByteReader bits, const DibOptions& options,
                        std::uint64_t pixelsOffset) {
    const DibHeader header = parseDibHeader(info);
    const PixelPath path = choosePixelPath(header);
    const std::int64_t rows = options.iconWithAndMask ? header.height / 2 : header.height;
    if (rows <= 0) failMalformed();
    // The picture budget, before anything of the picture's size exists.
    const std::uint64_t pixelCount = checkedMul(static_cast<std::uint64_t>(header.width),
                                                static_cast<std::uint64_t>(rows), MAX_PIXELS);

    const bool bitfieldPath = path == PixelPath::Bitfields16 || path == PixelPath::Bitfields32;
    PixelMasks masks;
    if (bitfieldPath)
        masks = PixelMasks::fromMasks(channelMasks(info, header), header.bitCount);
    else
        info.skip(std::min(masksAfterHeaderSize(header), info.remaining()));
    const Palette palette = readPalette(info, header, options.paletteIndexes);

    const unsigned char* pixels = bits.data() + bits.position();
    const std::size_t available = bits.remaining();
    const std::uint64_t stride = rowStride(header.width, header.bitCount);
    if (!isRunLength(path)) {
        if (rowBlockSize(stride, header.width, header.bitCount, rows) > available) failTruncated();
    } else if (available == 0) {
        failTruncated();
    } else if (pixelCount > RUN_LENGTH_FREE_PIXELS) {
        const std::uint64_t set = runLengthPixelsSet(
            ByteReader(reinterpret_cast<const char*>(pixels), available), path, header.width, rows);
        if (set < pixelCount / RUN_LENGTH_MIN_COVERAGE) failMalformed();
    }

    const bool withAlpha = options.keepAlpha || options.iconWithAndMask;
    QImage image(static_cast<int>(header.width), static_cast<int>(rows),
                 withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) failMalformed();  // the allocation failed

    switch (path) {
        case PixelPath::Indexed:
            decodeIndexedRows(pixels, stride, header.bitCount, palette, header.topDown, image);
            break;
        case PixelPath::Bgr24:
            decodeBgr24Rows(pixels, stride, header.topDown, image);
            break;
        case PixelPath::Bitfields16:
        case PixelPath::Bitfields32:
            decodeBitfieldRows(pixels, stride, header.bitCount, masks, options.keepAlpha,
                               header.topDown, image);
            break;
        case PixelPath::Rle4:
        case PixelPath::Rle8:
        case PixelPath::Rle24:
            // Pixels the runs skip over show the first colour (black without a palette).
            image.fill(palette[0]);
            decodeRunLength(ByteReader(reinterpret_cast<const char*>(pixels), available), path,
                            palette, image);
            break;
    }
    if (!withAlpha) return image;

    const bool ownAlpha =
        options.keepAlpha && bitfieldPath && masks.alpha.mask != 0 && anyAlpha(image);
    if (options.iconWithAndMask && !ownAlpha) {
        const std::uint64_t maskStride = rowStride(header.width, 1);
        std::uint64_t maskOffset = 0;
        if (!isRunLength(path))
            maskOffset =
                checkedMul(stride, static_cast<std::uint64_t>(rows), std::uint64_t{1} << 48);
        else
            maskOffset = header.sizeImage;
        const std::uint64_t maskSize = rowBlockSize(maskStride, header.width, 1, rows);
        const bool maskPresent = (maskOffset > 0 || !isRunLength(path)) &&
                                 !profileTakesMaskPlace(header, pixelsOffset, maskOffset, maskSize);
        if (maskPresent) {
            if (maskOffset > available || maskSize > available - maskOffset) failTruncated();
            applyAndMask(pixels + maskOffset, maskStride, header.topDown, image);
        } else {
            makeOpaque(image);
        }
    } else if (!ownAlpha) {
        makeOpaque(image);
    }
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

}  // namespace

QImage decodeDib(ByteReader info, ByteReader bits, const DibOptions& options) {
    try {
        return decodeDibChecked(info, bits, options, kPixelsOffsetUnknown);
    } catch (const ByteReaderOverrun&) {
        failTruncated();
    }
}

QImage decodePackedDib(ByteReader packed, const DibOptions& options) {
    try {
        ByteReader probe = packed;
        const DibHeader header = parseDibHeader(probe);
        choosePixelPath(header);  // a bad bit count fails as malformed before any layout
        const std::uint64_t infoSize = packedInfoSize(header, options.paletteIndexes);
        if (infoSize > packed.remaining()) failTruncated();
        const std::size_t start = packed.position();
        const std::size_t infoBytes = static_cast<std::size_t>(infoSize);
        return decodeDibChecked(packed.sub(start, infoBytes),
                                packed.sub(start + infoBytes, packed.size() - start - infoBytes),
                                options, infoSize);
    } catch (const ByteReaderOverrun&) {
        failTruncated();
    }
}

}  // namespace zarovia::picture

#include "picture/bmp/DibPixels.h"

#include "platform/Cancellation.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zarovia::picture::dib {

PixelPath choosePixelPath(const DibHeader& header) {
    const int bits = header.bitCount;
    const std::uint32_t compression = header.compression;
    if (header.os2Header) {
        if (compression == BCA_HUFFMAN1D) failMalformed();  // fax coding: not supported
        if (compression == BCA_RLE24) {
            if (bits != 24 || header.topDown) failMalformed();
            return PixelPath::Rle24;
        }
        if (compression > BI_RLE4) failMalformed();
    }
    switch (compression) {
        case BI_RGB:
            switch (bits) {
                case 1:
                case 2:
                case 4:
                case 8:
                    return PixelPath::Indexed;
                case 16:
                    return PixelPath::Bitfields16;
                case 24:
                    return PixelPath::Bgr24;
                case 32:
                    return PixelPath::Bitfields32;
                default:
                    failMalformed();
            }
        case BI_RLE8:
            if (bits != 8 || header.topDown) failMalformed();
            return PixelPath::Rle8;
        case BI_RLE4:
            if (bits != 4 || header.topDown) failMalformed();
            return PixelPath::Rle4;
        case BI_BITFIELDS:
        case BI_ALPHABITFIELDS:
            if (bits == 16) return PixelPath::Bitfields16;
            if (bits == 32) return PixelPath::Bitfields32;
            failMalformed();
        default:
            // BI_JPEG and BI_PNG are printer pass-through formats; they are not shown.
            failMalformed();
    }
}

bool isRunLength(PixelPath path) {
    return path == PixelPath::Rle4 || path == PixelPath::Rle8 || path == PixelPath::Rle24;
}

std::uint64_t rowStride(std::int64_t width, int bitCount) {
    const std::uint64_t bitsPerRow =
        checkedMul(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(bitCount),
                   std::uint64_t{1} << 40);
    return (bitsPerRow + 31) / 32 * 4;
}

namespace {

// Every row of pixels starts at a checkpoint: a large bitmap for a file the user has left stops
// within a row.
QRgb* outputRow(QImage& image, int row, bool topDown) {
    checkpoint();
    const int y = topDown ? row : image.height() - 1 - row;
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

template <int Bits>
void indexedRows(const unsigned char* bits, std::size_t stride, const Palette& palette,
                 bool topDown, QImage& image) {
    constexpr int perByte = 8 / Bits;
    constexpr unsigned valueMask = (1u << Bits) - 1;
    const int width = image.width();
    for (int row = 0; row < image.height(); ++row) {
        const unsigned char* src = bits + static_cast<std::size_t>(row) * stride;
        QRgb* out = outputRow(image, row, topDown);
        if constexpr (Bits == 8) {
            for (int x = 0; x < width; ++x) out[x] = palette[src[x]];
        } else {
            int x = 0;
            for (; x + perByte <= width; x += perByte) {
                const unsigned byte = *src++;
                for (int k = 0; k < perByte; ++k)
                    out[x + k] = palette[(byte >> (8 - Bits * (k + 1))) & valueMask];
            }
            if (x < width) {
                const unsigned byte = *src;
                for (int k = 0; x < width; ++k, ++x)
                    out[x] = palette[(byte >> (8 - Bits * (k + 1))) & valueMask];
            }
        }
    }
}

}  // namespace

void decodeIndexedRows(const unsigned char* bits, std::size_t stride, int bitCount,
                       const Palette& palette, bool topDown, QImage& image) {
    switch (bitCount) {
        case 1:
            indexedRows<1>(bits, stride, palette, topDown, image);
            break;
        case 2:
            indexedRows<2>(bits, stride, palette, topDown, image);
            break;
        case 4:
            indexedRows<4>(bits, stride, palette, topDown, image);
            break;
        default:
            indexedRows<8>(bits, stride, palette, topDown, image);
            break;
    }
}

void decodeBgr24Rows(const unsigned char* bits, std::size_t stride, bool topDown, QImage& image) {
    const int width = image.width();
    for (int row = 0; row < image.height(); ++row) {
        const unsigned char* src = bits + static_cast<std::size_t>(row) * stride;
        QRgb* out = outputRow(image, row, topDown);
        for (int x = 0; x < width; ++x, src += 3)
            out[x] = 0xFF000000u | (static_cast<QRgb>(src[2]) << 16) |
                     (static_cast<QRgb>(src[1]) << 8) | src[0];
    }
}

namespace {

template <int Bytes>
std::uint32_t loadPixel(const unsigned char* p) {
    if constexpr (Bytes == 2) {
        return static_cast<std::uint32_t>(p[0] | (p[1] << 8));
    } else {
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }
}

template <int Bytes>
void bitfieldRows(const unsigned char* bits, std::size_t stride, const PixelMasks& m, bool useAlpha,
                  bool topDown, QImage& image) {
    const int width = image.width();
    const bool alpha = useAlpha && m.alpha.mask != 0;
    for (int row = 0; row < image.height(); ++row) {
        const unsigned char* src = bits + static_cast<std::size_t>(row) * stride;
        QRgb* out = outputRow(image, row, topDown);
        for (int x = 0; x < width; ++x, src += Bytes) {
            const std::uint32_t px = loadPixel<Bytes>(src);
            const std::uint32_t a = alpha ? m.alpha.extract8(px) : 0xFFu;
            out[x] = (a << 24) | (m.red.extract8(px) << 16) | (m.green.extract8(px) << 8) |
                     m.blue.extract8(px);
        }
    }
}

constexpr int kSixteenBitValues = 1 << 16;

void sixteenBitRowsByTable(const unsigned char* bits, std::size_t stride, const PixelMasks& m,
                           bool useAlpha, bool topDown, QImage& image) {
    const bool alpha = useAlpha && m.alpha.mask != 0;
    std::vector<QRgb> table(kSixteenBitValues);
    for (std::uint32_t v = 0; v < table.size(); ++v) {
        const std::uint32_t a = alpha ? m.alpha.extract8(v) : 0xFFu;
        table[v] =
            (a << 24) | (m.red.extract8(v) << 16) | (m.green.extract8(v) << 8) | m.blue.extract8(v);
    }
    const int width = image.width();
    for (int row = 0; row < image.height(); ++row) {
        const unsigned char* src = bits + static_cast<std::size_t>(row) * stride;
        QRgb* out = outputRow(image, row, topDown);
        for (int x = 0; x < width; ++x, src += 2) out[x] = table[loadPixel<2>(src)];
    }
}

// The common 32-bit layout (blue, green, red, then alpha or padding) is a straight copy.
void standardRows32(const unsigned char* bits, std::size_t stride, bool keepAlphaByte, bool topDown,
                    QImage& image) {
    const int width = image.width();
    const QRgb opaque = keepAlphaByte ? 0u : 0xFF000000u;
    for (int row = 0; row < image.height(); ++row) {
        const unsigned char* src = bits + static_cast<std::size_t>(row) * stride;
        QRgb* out = outputRow(image, row, topDown);
        std::memcpy(out, src, static_cast<std::size_t>(width) * 4);
        if (Q_BYTE_ORDER == Q_BIG_ENDIAN) {
            for (int x = 0; x < width; ++x) out[x] = loadPixel<4>(src + 4 * x);
        }
        if (opaque != 0)
            for (int x = 0; x < width; ++x) out[x] |= opaque;
    }
}

}  // namespace

void decodeBitfieldRows(const unsigned char* bits, std::size_t stride, int bitCount,
                        const PixelMasks& masks, bool useAlpha, bool topDown, QImage& image) {
    if (bitCount == 16) {
        // Large pictures: one table entry per 16-bit value beats three mask extractions per
        // pixel once the table (65536 entries) costs less than the pixels.
        if (static_cast<std::int64_t>(image.width()) * image.height() >= kSixteenBitValues) {
            sixteenBitRowsByTable(bits, stride, masks, useAlpha, topDown, image);
            return;
        }
        bitfieldRows<2>(bits, stride, masks, useAlpha, topDown, image);
        return;
    }
    const bool standardColour = masks.red.mask == 0x00FF0000u && masks.green.mask == 0x0000FF00u &&
                                masks.blue.mask == 0x000000FFu;
    const bool alphaByte = useAlpha && masks.alpha.mask == 0xFF000000u;
    if (standardColour && (alphaByte || !useAlpha || masks.alpha.mask == 0)) {
        standardRows32(bits, stride, alphaByte, topDown, image);
        return;
    }
    bitfieldRows<4>(bits, stride, masks, useAlpha, topDown, image);
}

namespace {

// Walks run-length data (rows counted from the bottom), handing each stretch of pixels it
// sets to `out`: encoded(row, x, count, value) for a repeated value, literal(row, x, count,
// values) for an absolute run. Counts are already cut at the right edge, so x + count never
// passes the width, and no pixel is handed over twice (x and the row only move forward).
template <class Out>
void walkRunLength(const unsigned char* p, std::size_t n, PixelPath path, int width, int height,
                   Out& out) {
    const std::size_t pixelBytes = path == PixelPath::Rle24 ? 3 : 1;
    std::size_t i = 0;
    int x = 0;
    int row = 0;
    // Records are two bytes at least: a checkpoint every 64 Ki of them.
    std::uint32_t records = 0;
    while (i + 1 + pixelBytes <= n && row < height) {
        if ((++records & 0xFFFF) == 0) checkpoint();
        const unsigned count = p[i++];
        if (count > 0) {  // encoded run: one value repeated
            const unsigned shown = std::min<unsigned>(count, static_cast<unsigned>(width - x));
            if (shown > 0) out.encoded(row, x, shown, p + i);
            x += static_cast<int>(shown);
            i += pixelBytes;
            continue;
        }
        const unsigned escape = p[i++];
        if (escape == 0) {  // end of line
            x = 0;
            ++row;
        } else if (escape == 1) {  // end of bitmap
            break;
        } else if (escape == 2) {  // delta: move right and up
            if (i + 2 > n) break;
            x = std::min(x + p[i], width);
            row += p[i + 1];
            i += 2;
        } else {  // absolute run of `escape` pixels, padded to a 16-bit boundary
            const std::size_t bytes =
                path == PixelPath::Rle4 ? (escape + 1) / 2 : escape * pixelBytes;
            const std::size_t padded = bytes + (bytes & 1);
            if (bytes > n - i) break;  // the data stops inside the run
            const unsigned shown = std::min<unsigned>(escape, static_cast<unsigned>(width - x));
            if (shown > 0) out.literal(row, x, shown, p + i);
            x += static_cast<int>(shown);
            i += std::min(padded, n - i);
        }
    }
}

QRgb rgb24At(const unsigned char* p) {
    return 0xFF000000u | (static_cast<QRgb>(p[2]) << 16) | (static_cast<QRgb>(p[1]) << 8) | p[0];
}

class RunLengthPainter {
public:
    RunLengthPainter(PixelPath path, const Palette& palette, QImage& image)
        : path_(path),
          palette_(palette),
          bits_(image.bits()),
          bytesPerLine_(image.bytesPerLine()),
          height_(image.height()) {}

    void encoded(int row, int x, unsigned count, const unsigned char* value) {
        QRgb* out = line(row) + x;
        if (path_ == PixelPath::Rle4) {
            const QRgb pair[2] = {palette_[value[0] >> 4], palette_[value[0] & 0x0F]};
            for (unsigned k = 0; k < count; ++k) out[k] = pair[k & 1];
            return;
        }
        const QRgb colour = path_ == PixelPath::Rle24 ? rgb24At(value) : palette_[value[0]];
        std::fill(out, out + count, colour);
    }

    void literal(int row, int x, unsigned count, const unsigned char* values) {
        QRgb* out = line(row) + x;
        for (unsigned k = 0; k < count; ++k) {
            if (path_ == PixelPath::Rle8)
                out[k] = palette_[values[k]];
            else if (path_ == PixelPath::Rle4)
                out[k] = palette_[(k & 1) ? (values[k / 2] & 0x0F) : (values[k / 2] >> 4)];
            else
                out[k] = rgb24At(values + 3 * static_cast<std::size_t>(k));
        }
    }

private:
    QRgb* line(int row) {
        return reinterpret_cast<QRgb*>(bits_ + (height_ - 1 - row) * bytesPerLine_);
    }

    PixelPath path_;
    const Palette& palette_;
    uchar* bits_;
    qsizetype bytesPerLine_;
    int height_;
};

struct PixelCounter {
    std::uint64_t pixels = 0;
    void encoded(int, int, unsigned count, const unsigned char*) { pixels += count; }
    void literal(int, int, unsigned count, const unsigned char*) { pixels += count; }
};

}  // namespace

void decodeRunLength(ByteReader data, PixelPath path, const Palette& palette, QImage& image) {
    RunLengthPainter painter(path, palette, image);
    walkRunLength(data.data() + data.position(), data.remaining(), path, image.width(),
                  image.height(), painter);
}

std::uint64_t runLengthPixelsSet(ByteReader data, PixelPath path, std::int64_t width,
                                 std::int64_t height) {
    PixelCounter counter;
    walkRunLength(data.data() + data.position(), data.remaining(), path,
                  static_cast<int>(std::min<std::int64_t>(width, MAX_WIDTH_HEIGHT)),
                  static_cast<int>(std::min<std::int64_t>(height, MAX_WIDTH_HEIGHT)), counter);
    return counter.pixels;
}

}  // namespace zarovia::picture::dib

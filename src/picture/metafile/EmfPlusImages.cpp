#include "picture/metafile/EmfPlusObjects.h"

#include "picture/metafile/EmfPlusRecords.h"
#include "platform/Cancellation.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>

namespace zarovia::picture::metafile::plus {

namespace {

// A bitmap object is at most this many pixels a side.
constexpr std::int64_t kMaxImageSide = 1 << 15;

// Pixel formats: the bits per pixel in the second byte, flags in the third.
constexpr std::uint32_t kIndexedFormat = 0x00010000;
constexpr std::uint32_t kFormatArgb1555 = 0x00061007;
constexpr std::uint32_t kFormatRgb565 = 0x00021006;
constexpr std::uint32_t kFormatArgb32 = 0x0026200A;
constexpr std::uint32_t kFormatPargb32 = 0x000E200B;

// The pixels of an uncompressed bitmap object as premultiplied ARGB32. Indexed formats of 1,
// 4 or 8 bits take their colours from the palette before the pixels; formats of so few bits
// without the indexed flag are read as grey levels, and 16 bits or more are never indexed.
QImage pixelImage(ByteReader& r, std::int64_t width, std::int64_t height, std::int64_t stride,
                  std::uint32_t format) {
    const int bits = static_cast<int>((format >> 8) & 0xFF);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return QImage();
    const bool fewBits = bits <= 8;
    QList<QRgb> palette;
    if (fewBits && (format & kIndexedFormat)) {
        r.skip(4);  // palette flags
        const std::size_t n = r.u32();
        if (n > 256 || n > r.remaining() / 4) throw ByteReaderOverrun();
        for (std::size_t i = 0; i < n; ++i) palette.append(qPremultiply(argb(r.u32()).rgba()));
    } else if (fewBits) {
        const int levels = 1 << bits;
        for (int i = 0; i < levels; ++i) {
            const int v = i * 255 / (levels - 1);
            palette.append(qRgb(v, v, v));
        }
    }
    if (stride < (width * bits + 7) / 8 ||
        stride * height > static_cast<std::int64_t>(r.remaining()))
        return QImage();
    QImage image(static_cast<int>(width), static_cast<int>(height),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    const bool alpha =
        format == kFormatArgb32 || format == kFormatPargb32 || format == kFormatArgb1555;
    const bool premultiplied = format == kFormatPargb32;
    for (std::int64_t y = 0; y < height; ++y) {
        checkpoint();
        const unsigned char* row = r.data() + r.position() + y * stride;
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        for (std::int64_t x = 0; x < width; ++x) {
            QRgb px = qRgb(0, 0, 0);
            if (fewBits) {
                const std::int64_t bit = x * bits;
                const int shift = static_cast<int>(8 - bits - bit % 8);
                const int index = (row[bit / 8] >> shift) & ((1 << bits) - 1);
                px = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
            } else if (bits == 16) {
                const int v = row[x * 2] | (row[x * 2 + 1] << 8);
                if (format == kFormatRgb565) {
                    px = qRgb((v >> 11) << 3, ((v >> 5) & 0x3F) << 2, (v & 0x1F) << 3);
                } else if (alpha && !(v & 0x8000)) {
                    px = 0;
                } else {
                    px = qRgb(((v >> 10) & 0x1F) << 3, ((v >> 5) & 0x1F) << 3, (v & 0x1F) << 3);
                }
            } else {
                const unsigned char* p = row + x * (bits / 8);
                const int a = bits == 32 && alpha ? p[3] : 255;
                // Premultiplied colours beyond their alpha are clamped to it.
                px = premultiplied ? qRgba(std::min<int>(p[2], a), std::min<int>(p[1], a),
                                           std::min<int>(p[0], a), a)
                                   : qPremultiply(qRgba(p[2], p[1], p[0], a));
            }
            out[x] = px;
        }
    }
    return image;
}

}  // namespace

Image readImage(ByteReader& r, BudgetAccount& budget) {
    r.skip(4);  // version
    const std::uint32_t type = r.u32();
    Image out;
    if (type != 1) return out;  // metafiles inside EMF+ are not played
    const std::int64_t width = r.i32();
    const std::int64_t height = r.i32();
    const std::int64_t stride = r.i32();
    const std::uint32_t format = r.u32();
    const std::uint32_t kind = r.u32();
    if (kind == 0) {
        if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
            stride <= 0)
            return out;
        const std::int64_t bytes = rasterBytes(width, height, 4);
        if (!budget.reserve(bytes)) return out;
        out.image = pixelImage(r, width, height, stride, format);
        if (out.image.isNull()) budget.release(bytes);
        return out;
    }
    // A compressed bitmap (PNG, JPEG, GIF ...): its size is checked before it is decoded, and
    // the decoder's own pixels count while they are turned into the premultiplied ones kept.
    const QByteArray bytes = r.takeBytes(r.remaining());
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > kMaxImageSide ||
        size.height() > kMaxImageSide)
        return out;
    const std::int64_t kept = rasterBytes(size.width(), size.height(), 4);
    const int decodedBits =
        std::max<int>(32, QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel());
    const std::int64_t passing = rasterBytes(size.width(), size.height(), decodedBits / 8);
    if (!budget.reserve(kept)) return out;
    if (!budget.reserve(passing)) {
        budget.release(kept);
        return out;
    }
    reader.setAllocationLimit(static_cast<int>(passing / (1024 * 1024) + 1));
    QImage decoded;
    if (reader.format() == "bmp") {
        // A run-length bitmap sets only the pixels its runs name, and the decoder leaves the
        // others as the memory held them: it is given cleared pixels of the size and format it
        // reads into, which it takes as they are.
        decoded = QImage(size, reader.imageFormat());
        decoded.fill(0);
    }
    if (!reader.read(&decoded)) decoded = QImage();
    if (decoded.size() == size)
        out.image = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    decoded = QImage();
    budget.release(passing);
    if (out.image.isNull()) budget.release(kept);
    return out;
}

}  // namespace zarovia::picture::metafile::plus

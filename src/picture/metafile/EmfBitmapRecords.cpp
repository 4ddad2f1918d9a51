#include "picture/metafile/EmfBitmapRecords.h"

#include "picture/metafile/EmfRecords.h"
#include "picture/metafile/Gdi.h"
#include "platform/Cancellation.h"

#include <cstdlib>

namespace zarovia::picture::metafile::emf {

namespace {

// A mask is at most this many pixels a side.
constexpr std::int64_t kMaxMaskSide = 1 << 16;

// The blits of device-independent bitmaps name their bitmap with the usage last.
DibPlace readDibPlaceUsageLast(ByteReader& r) {
    DibPlace p;
    p.offBmi = r.u32();
    p.cbBmi = r.u32();
    p.offBits = r.u32();
    p.cbBits = r.u32();
    p.usage = r.u32();
    return p;
}

// The fields after the source bitmap that name a mask: its origin and its place.
struct MaskFields {
    QPoint origin;
    DibPlace place;
};

MaskFields readMaskFields(ByteReader& r) {
    MaskFields m;
    const int x = r.i32();
    const int y = r.i32();
    m.origin = QPoint(x, y);
    m.place = readDibPlace(r);
    return m;
}

}  // namespace

DibPlace readDibPlace(ByteReader& r) {
    DibPlace p;
    p.usage = r.u32();
    p.offBmi = r.u32();
    p.cbBmi = r.u32();
    p.offBits = r.u32();
    p.cbBits = r.u32();
    return p;
}

ByteReader recordPart(const ByteReader& body, std::uint32_t offset, std::uint32_t size) {
    if (offset < kRecordHeaderBytes) throw ByteReaderOverrun();
    return body.sub(offset - kRecordHeaderBytes, size);
}

std::optional<RecordDib> recordDib(const ByteReader& body, const DibPlace& place, Gdi& gdi,
                                   bool keepAlpha) {
    if (place.cbBmi == 0) return std::nullopt;
    return decodeRecordDib(recordPart(body, place.offBmi, place.cbBmi),
                           recordPart(body, place.offBits, place.cbBits), place.usage, keepAlpha,
                           gdi);
}

QImage recordMask(const ByteReader& body, const DibPlace& place, Gdi& gdi) {
    if (place.cbBmi < 16) return QImage();
    ByteReader info = recordPart(body, place.offBmi, place.cbBmi);
    const std::uint32_t headerSize = info.u32();
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = 0;
    if (headerSize == 12) {
        width = info.u16();
        height = info.u16();
        info.skip(2);
        bitCount = info.u16();
    } else {
        width = info.i32();
        height = info.i32();
        info.skip(2);
        bitCount = info.u16();
        if (headerSize >= 20) compression = info.u32();
    }
    const bool bottomUp = height > 0;
    height = std::llabs(height);
    if (bitCount != 1 || compression != 0 || width <= 0 || height <= 0 || width > kMaxMaskSide ||
        height > kMaxMaskSide)
        return QImage();
    const std::int64_t stride = (width + 31) / 32 * 4;
    ByteReader bits = recordPart(body, place.offBits, place.cbBits);
    if (stride * height > static_cast<std::int64_t>(bits.size())) return QImage();
    if (!gdi.reserveImagePixels((width * height + 3) / 4)) return QImage();
    QImage mask(static_cast<int>(width), static_cast<int>(height), QImage::Format_Alpha8);
    if (mask.isNull()) return mask;
    for (std::int64_t row = 0; row < height; ++row) {
        const unsigned char* in = bits.data() + bits.position() + row * stride;
        uchar* out = mask.scanLine(static_cast<int>(bottomUp ? height - 1 - row : row));
        for (std::int64_t x = 0; x < width; ++x) out[x] = (in[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
    }
    return mask;
}

void playBlt(std::uint32_t type, ByteReader r, Gdi& gdi) {
    const ByteReader body = r;
    r.skip(16);
    const QPointF dest = pointL(r);
    const double cxDest = r.i32();
    const double cyDest = r.i32();
    const std::uint32_t rop = r.u32();
    const double xSrc = r.i32();
    const double ySrc = r.i32();
    const std::optional<QTransform> xformSrc = readXform(r);
    r.skip(4);  // background colour of the source
    const DibPlace place = readDibPlace(r);
    double cxSrc = cxDest;
    double cySrc = cyDest;
    std::optional<MaskFields> mask;
    if (type == EMR_MASKBLT) {
        if (r.canRead(28)) mask = readMaskFields(r);
    } else if (type != EMR_BITBLT && r.canRead(8)) {
        cxSrc = r.i32();
        cySrc = r.i32();
    }
    Blit b;
    b.dest = QRectF(dest.x(), dest.y(), cxDest, cyDest);
    b.rop = type == EMR_BITBLT || type == EMR_STRETCHBLT || type == EMR_MASKBLT ? rop : SRCCOPY;
    const bool alpha = type == EMR_ALPHABLEND;
    if (alpha) b.constantAlpha = ((rop >> 16) & 0xFF) / 255.0;
    // The source is a device: its origin is the top-left, moved by the source transform.
    const QPointF origin = xformSrc ? xformSrc->map(QPointF(xSrc, ySrc)) : QPointF(xSrc, ySrc);
    b.source = QRectF(origin.x(), origin.y(), cxSrc, cySrc);
    if (auto dib = recordDib(body, place, gdi, alpha && ((rop >> 24) & 1))) {
        b.image = dib->image;
        if (type == EMR_TRANSPARENTBLT) {
            // The colour named in place of the raster operation is left out (of a copy counted
            // against the budget).
            QImage keyed = gdi.premultipliedCopy(b.image, b.image.rect());
            if (keyed.isNull()) return;
            const QRgb key = ColourRef{rop}.rgb().rgb();
            for (int y = 0; y < keyed.height(); ++y) {
                checkpoint();
                QRgb* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
                for (int x = 0; x < keyed.width(); ++x)
                    if ((qUnpremultiply(line[x]) & 0xFFFFFF) == (key & 0xFFFFFF)) line[x] = 0;
            }
            b.image = keyed;
        }
    } else if (place.cbBmi != 0) {
        return;  // a source that cannot be read draws nothing
    }
    if (mask) {
        b.mask = recordMask(body, mask->place, gdi);
        b.maskOrigin = mask->origin;
    }
    // Without a mask, MaskBlt is the foreground operation alone.
    if (b.mask.isNull()) b.rop &= 0x00FFFFFF;
    gdi.blit(b);
}

void playDibBlit(std::uint32_t type, ByteReader r, Gdi& gdi) {
    const ByteReader body = r;
    r.skip(16);  // bounds
    const QPointF dest = pointL(r);
    const double xSrc = r.i32();
    const double ySrc = r.i32();
    const double cxSrc = r.i32();
    const double cySrc = r.i32();
    const DibPlace place = readDibPlaceUsageLast(r);
    Blit b;
    // SetDIBitsToDevice copies the source at its size; StretchDIBits names the raster operation
    // and the size it is stretched to.
    b.dest = QRectF(dest.x(), dest.y(), cxSrc, cySrc);
    if (type == EMR_STRETCHDIBITS) {
        b.rop = r.u32();
        const double cxDest = r.i32();
        const double cyDest = r.i32();
        b.dest.setSize(QSizeF(cxDest, cyDest));
    }
    if (auto dib = recordDib(body, place, gdi)) {
        b.image = dib->image;
        b.source = dibSourceRect(*dib, xSrc, ySrc, cxSrc, cySrc);
    }
    gdi.blit(b);
}

void playPlgBlt(ByteReader r, Gdi& gdi) {
    const ByteReader body = r;
    r.skip(16);
    std::array<QPointF, 3> corners;
    for (QPointF& p : corners) p = pointL(r);
    const double xSrc = r.i32();
    const double ySrc = r.i32();
    const double cxSrc = r.i32();
    const double cySrc = r.i32();
    const std::optional<QTransform> xformSrc = readXform(r);
    r.skip(4);  // background colour of the source
    const DibPlace place = readDibPlace(r);
    const MaskFields mask = readMaskFields(r);
    Blit b;
    b.corners = corners;
    const QPointF origin = xformSrc ? xformSrc->map(QPointF(xSrc, ySrc)) : QPointF(xSrc, ySrc);
    b.source = QRectF(origin.x(), origin.y(), cxSrc, cySrc);
    auto dib = recordDib(body, place, gdi);
    if (!dib) return;
    b.image = dib->image;
    b.mask = recordMask(body, mask.place, gdi);
    b.maskOrigin = mask.origin;
    // Where a mask is 0 the destination stays.
    b.rop = b.mask.isNull() ? SRCCOPY : (0xAAu << 24) | SRCCOPY;
    gdi.blit(b);
}

void playGradientFill(ByteReader r, Gdi& gdi) {
    r.skip(16);
    const std::size_t vertexCount = r.u32();
    const std::size_t meshCount = r.u32();
    const int mode = static_cast<int>(r.u32());
    const std::size_t perMesh = mode == GRADIENT_FILL_TRIANGLE ? 3 : 2;
    if (vertexCount > r.remaining() / 16) throw ByteReaderOverrun();
    std::vector<GradientVertex> vertices;
    vertices.reserve(vertexCount);
    for (std::size_t i = 0; i < vertexCount; ++i) {
        GradientVertex v;
        v.point = pointL(r);
        const int red = r.u16() >> 8;
        const int green = r.u16() >> 8;
        const int blue = r.u16() >> 8;
        r.skip(2);  // alpha: GradientFill paints opaque colours
        v.colour = QColor(red, green, blue);
        vertices.push_back(v);
    }
    if (meshCount > r.remaining() / (4 * perMesh)) throw ByteReaderOverrun();
    std::vector<std::array<std::uint32_t, 3>> mesh(meshCount, {0, 0, 0});
    for (std::array<std::uint32_t, 3>& m : mesh)
        for (std::size_t k = 0; k < perMesh; ++k) m[k] = r.u32();
    gdi.gradientFill(vertices, mesh, mode);
}

}  // namespace zarovia::picture::metafile::emf

#include "picture/metafile/EmfPlusObjects.h"

#include "picture/metafile/EmfPlusRecords.h"
#include "platform/Cancellation.h"

#include <QBuffer>
#include <QImageReader>
#include <QLinearGradient>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cmath>

namespace zarovia::picture::metafile::plus {

namespace {

// A bitmap object is at most this many pixels a side.
constexpr std::int64_t kMaxImageSide = 1 << 15;
// Regions nest at most this deep.
constexpr int kMaxRegionDepth = 32;

// Brush types.
constexpr std::uint32_t kSolid = 0;
constexpr std::uint32_t kHatch = 1;
constexpr std::uint32_t kTexture = 2;
constexpr std::uint32_t kPathGradient = 3;
constexpr std::uint32_t kLinearGradient = 4;
// Brush data flags.
constexpr std::uint32_t kBrushPath = 0x01;
constexpr std::uint32_t kBrushTransform = 0x02;
constexpr std::uint32_t kBrushPresetColours = 0x04;
constexpr std::uint32_t kBrushBlendH = 0x08;
constexpr std::uint32_t kBrushBlendV = 0x10;

QGradient::Spread spreadOf(std::int32_t wrap) {
    switch (wrap) {
        case 0:  // tile
            return QGradient::RepeatSpread;
        case 1:  // tile flipped in x, y or both
        case 2:
        case 3:
            return QGradient::ReflectSpread;
        default:  // clamp
            return QGradient::PadSpread;
    }
}

Qt::BrushStyle hatchOf(std::uint32_t style) {
    static constexpr std::array kPercent{Qt::Dense7Pattern, Qt::Dense6Pattern, Qt::Dense6Pattern,
                                         Qt::Dense5Pattern, Qt::Dense5Pattern, Qt::Dense4Pattern,
                                         Qt::Dense4Pattern, Qt::Dense3Pattern, Qt::Dense3Pattern,
                                         Qt::Dense2Pattern, Qt::Dense2Pattern, Qt::Dense1Pattern};
    switch (style) {
        case 0:
            return Qt::HorPattern;
        case 1:
            return Qt::VerPattern;
        case 2:
            return Qt::FDiagPattern;
        case 3:
            return Qt::BDiagPattern;
        case 4:
            return Qt::CrossPattern;
        case 5:
            return Qt::DiagCrossPattern;
        default:
            return style >= 6 && style < 6 + kPercent.size() ? kPercent[style - 6]
                                                             : Qt::Dense4Pattern;
    }
}

Image readImage(ByteReader& r, BudgetAccount& budget);

// Stops from the optional blend data of a gradient brush: preset colours, or factors that mix
// the start and end colours.
void readBlend(ByteReader& r, std::uint32_t flags, QGradient& gradient, const QColor& start,
               const QColor& end) {
    gradient.setColorAt(0, start);
    gradient.setColorAt(1, end);
    if (flags & kBrushPresetColours) {
        const std::size_t n = r.u32();
        if (n > r.remaining() / 8) throw ByteReaderOverrun();
        std::vector<double> positions(n);
        for (double& p : positions) p = static_cast<double>(r.f32());
        QGradientStops stops;
        for (double p : positions) {
            const QColor c = argb(r.u32());
            if (std::isfinite(p)) stops.append({std::clamp(p, 0.0, 1.0), c});
        }
        if (stops.size() >= 2) gradient.setStops(stops);
    } else if (flags & (kBrushBlendH | kBrushBlendV)) {
        const std::size_t n = r.u32();
        if (n > r.remaining() / 8) throw ByteReaderOverrun();
        std::vector<double> positions(n);
        for (double& p : positions) p = static_cast<double>(r.f32());
        QGradientStops stops;
        for (double p : positions) {
            const double f = std::clamp(static_cast<double>(r.f32()), 0.0, 1.0);
            if (!std::isfinite(p)) continue;
            const auto mix = [f](float a, float b) {
                return static_cast<float>(double(a) + (double(b) - double(a)) * f);
            };
            const QColor c = QColor::fromRgbF(
                mix(start.redF(), end.redF()), mix(start.greenF(), end.greenF()),
                mix(start.blueF(), end.blueF()), mix(start.alphaF(), end.alphaF()));
            stops.append({std::clamp(p, 0.0, 1.0), c});
        }
        if (stops.size() >= 2) gradient.setStops(stops);
    }
}

Region readRegionNode(ByteReader& r, int depth, AreaCombiner& areas) {
    if (depth > kMaxRegionDepth) throw ByteReaderOverrun();
    const std::uint32_t type = r.u32();
    Region out;
    switch (type) {
        case 0x10000000:  // rectangle
            out.area.addRect(rectF(r).normalized());
            return out;
        case 0x10000001: {  // path
            const std::uint32_t size = r.u32();
            ByteReader path = r.split(size);
            out.area = readPath(path);
            return out;
        }
        case 0x10000002:  // empty
            return out;
        case 0x10000003:  // infinite
            out.infinite = true;
            return out;
        default:
            break;
    }
    if (type < 1 || type > 5) throw ByteReaderOverrun();
    const Region left = readRegionNode(r, depth + 1, areas);
    const Region right = readRegionNode(r, depth + 1, areas);
    // An infinite operand stands for a very large rectangle.
    const auto area = [](const Region& g) {
        if (!g.infinite) return g.area;
        QPainterPath all;
        all.addRect(QRectF(-1e7, -1e7, 2e7, 2e7));
        return all;
    };
    // Intersect, union, xor, exclude and complement, as the clip modes.
    static constexpr int kModes[] = {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COMPLEMENT};
    out.area = areas.combine(area(left), area(right), kModes[type - 1]);
    out.infinite = (type == 2 && (left.infinite || right.infinite));
    return out;
}

Pen readPen(ByteReader& r, BudgetAccount& budget) {
    r.skip(8);  // version, type
    const std::uint32_t flags = r.u32();
    Pen pen;
    pen.unit = r.u32();
    pen.width = std::max(0.0, static_cast<double>(r.f32()));
    if (!std::isfinite(pen.width)) pen.width = 0;
    if (flags & 0x0001) r.skip(24);  // transform
    const auto capOf = [](std::int32_t cap) {
        return cap == 1 ? Qt::SquareCap : cap == 2 ? Qt::RoundCap : Qt::FlatCap;
    };
    if (flags & 0x0002) pen.cap = capOf(r.i32());
    if (flags & 0x0004) (void)r.i32();  // end cap: Qt has one cap for both ends
    if (flags & 0x0008) {
        const std::uint32_t join = r.u32();
        pen.join = join == 1 ? Qt::BevelJoin : join == 2 ? Qt::RoundJoin : Qt::MiterJoin;
    }
    if (flags & 0x0010) pen.miterLimit = std::clamp(static_cast<double>(r.f32()), 1.0, 100.0);
    if (flags & 0x0020) {
        switch (r.i32()) {
            case 1:
                pen.style = Qt::DashLine;
                break;
            case 2:
                pen.style = Qt::DotLine;
                break;
            case 3:
                pen.style = Qt::DashDotLine;
                break;
            case 4:
                pen.style = Qt::DashDotDotLine;
                break;
            case 5:
                pen.style = Qt::CustomDashLine;
                break;
            default:
                break;
        }
    }
    if (flags & 0x0040) r.skip(4);  // dash cap
    if (flags & 0x0080) r.skip(4);  // dash offset
    if (flags & 0x0100) {
        const std::size_t n = r.u32();
        if (n > r.remaining() / 4) throw ByteReaderOverrun();
        for (std::size_t i = 0; i < n; ++i) {
            const double d = static_cast<double>(r.f32());
            if (i < 32 && std::isfinite(d)) pen.dashes.append(std::clamp(d, 0.1, 1000.0));
        }
        if (pen.dashes.size() % 2 == 1) pen.dashes.append(pen.dashes.back());
    }
    if (pen.style == Qt::CustomDashLine && pen.dashes.isEmpty()) pen.style = Qt::SolidLine;
    if (flags & 0x0200) r.skip(4);  // alignment
    if (flags & 0x0400) {           // compound lines: drawn as one line
        const std::size_t n = r.u32();
        if (n > r.remaining() / 4) throw ByteReaderOverrun();
        r.skip(4 * n);
    }
    if (flags & 0x0800) r.skip(r.u32());  // custom start cap
    if (flags & 0x1000) r.skip(r.u32());  // custom end cap
    pen.brush = readBrush(r, budget);
    return pen;
}

Font readFont(ByteReader& r) {
    r.skip(4);  // version
    Font font;
    font.emSize = static_cast<double>(r.f32());
    if (!std::isfinite(font.emSize) || font.emSize < 0) font.emSize = 0;
    font.unit = r.u32();
    font.style = r.i32();
    r.skip(4);  // reserved
    const std::size_t n = r.u32();
    if (n > r.remaining() / 2) throw ByteReaderOverrun();
    for (std::size_t i = 0; i < n && i < 64; ++i) font.family.append(QChar(r.u16()));
    return font;
}

StringFormat readStringFormat(ByteReader& r) {
    r.skip(4);  // version
    StringFormat format;
    format.flags = r.u32();
    r.skip(4);  // language
    format.alignment = r.u32();
    format.lineAlignment = r.u32();
    r.skip(4 + 4 + 4 + 4);  // digit substitution and language, first tab, hotkey prefix
    const auto margin = [](float v) {
        const double d = static_cast<double>(v);
        return std::isfinite(d) ? std::clamp(d, 0.0, 10.0) : 0.0;
    };
    format.leadingMargin = margin(r.f32());
    format.trailingMargin = margin(r.f32());
    return format;
}

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
    QImage decoded = reader.read();
    if (decoded.size() == size)
        out.image = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    decoded = QImage();
    budget.release(passing);
    if (out.image.isNull()) budget.release(kept);
    return out;
}

}  // namespace

Brush readBrush(ByteReader& r, BudgetAccount& budget) {
    r.skip(4);  // version
    const std::uint32_t type = r.u32();
    Brush out;
    switch (type) {
        case kSolid:
            out.brush = QBrush(argb(r.u32()));
            break;
        case kHatch: {
            const std::uint32_t style = r.u32();
            const QColor fore = argb(r.u32());
            out.hatchBackground = argb(r.u32());
            out.brush = QBrush(fore, hatchOf(style));
            break;
        }
        case kTexture: {
            const std::uint32_t flags = r.u32();
            r.skip(4);  // wrap mode: textures tile
            std::optional<QTransform> transform;
            if (flags & kBrushTransform) transform = matrix(r);
            const Image image = readImage(r, budget);
            if (image.image.isNull()) break;
            out.brush = QBrush(image.image);
            if (transform) out.brush.setTransform(*transform);
            break;
        }
        case kLinearGradient: {
            const std::uint32_t flags = r.u32();
            const std::int32_t wrap = r.i32();
            const QRectF box = rectF(r);
            const QColor start = argb(r.u32());
            const QColor end = argb(r.u32());
            r.skip(8);  // reserved
            std::optional<QTransform> transform;
            if (flags & kBrushTransform) transform = matrix(r);
            QLinearGradient gradient(box.topLeft(), QPointF(box.right(), box.top()));
            gradient.setSpread(spreadOf(wrap));
            readBlend(r, flags, gradient, start, end);
            out.brush = QBrush(gradient);
            if (transform) out.brush.setTransform(*transform);
            break;
        }
        case kPathGradient: {
            // Drawn as a radial gradient from the centre colour to the first surrounding one
            // over the boundary's extent.
            const std::uint32_t flags = r.u32();
            const std::int32_t wrap = r.i32();
            const QColor centreColour = argb(r.u32());
            const double cx = static_cast<double>(r.f32());
            const double cy = static_cast<double>(r.f32());
            const std::size_t n = r.u32();
            if (n > r.remaining() / 4) throw ByteReaderOverrun();
            QColor surround = centreColour;
            for (std::size_t i = 0; i < n; ++i) {
                const QColor c = argb(r.u32());
                if (i == 0) surround = c;
            }
            QRectF boundary;
            if (flags & kBrushPath) {
                const std::uint32_t size = r.u32();
                ByteReader path = r.split(size);
                boundary = readPath(path).boundingRect();
            } else {
                const std::size_t count = r.u32();
                boundary = points(r, count, false, false).boundingRect();
            }
            std::optional<QTransform> transform;
            if (flags & kBrushTransform) transform = matrix(r);
            const QPointF centre(std::isfinite(cx) ? cx : 0.0, std::isfinite(cy) ? cy : 0.0);
            double radius = 0;
            for (const QPointF& corner : {boundary.topLeft(), boundary.topRight(),
                                          boundary.bottomLeft(), boundary.bottomRight()})
                radius =
                    std::max(radius, std::hypot(corner.x() - centre.x(), corner.y() - centre.y()));
            QRadialGradient gradient(centre, std::max(radius, 1e-3));
            gradient.setSpread(spreadOf(wrap));
            gradient.setColorAt(0, centreColour);
            gradient.setColorAt(1, surround);
            out.brush = QBrush(gradient);
            if (transform) out.brush.setTransform(*transform);
            break;
        }
        default:
            break;
    }
    return out;
}

QPainterPath readPath(ByteReader& r) {
    r.skip(4);  // version
    const std::size_t count = r.u32();
    const std::uint32_t flags = r.u32();
    const bool relative = (flags & 0x0800) != 0;
    const bool integer = (flags & 0x4000) != 0;
    const bool runs = (flags & 0x1000) != 0;
    const QPolygonF pts = points(r, count, integer, relative);
    // Point types: one byte each, or runs of one type (two bytes).
    std::vector<std::uint8_t> types;
    types.reserve(count);
    while (types.size() < count) {
        const std::uint8_t first = r.u8();
        if (runs && (first & 0x40)) {
            const std::uint8_t type = r.u8();
            const std::size_t run = first & 0x3F;
            for (std::size_t k = 0; k < run && types.size() < count; ++k) types.push_back(type);
        } else {
            types.push_back(first);
        }
    }
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t t = types[i];
        const QPointF p = pts[static_cast<qsizetype>(i)];
        switch (t & 0x07) {
            case 0:  // start
                path.moveTo(p);
                break;
            case 3:  // Bezier: three points
                if (i + 2 < count) {
                    path.cubicTo(p, pts[static_cast<qsizetype>(i + 1)],
                                 pts[static_cast<qsizetype>(i + 2)]);
                    i += 2;
                }
                break;
            default:  // line
                path.lineTo(p);
                break;
        }
        if (types[i] & 0x80) path.closeSubpath();
    }
    return path;
}

Object readObject(std::uint32_t type, ByteReader data, BudgetAccount& budget, AreaCombiner& areas) {
    try {
        switch (type) {
            case ObjectBrush:
                return readBrush(data, budget);
            case ObjectPen:
                return readPen(data, budget);
            case ObjectPath:
                return Path{readPath(data)};
            case ObjectRegion: {
                data.skip(8);  // version, node count
                return readRegionNode(data, 0, areas);
            }
            case ObjectImage:
                return readImage(data, budget);
            case ObjectFont:
                return readFont(data);
            case ObjectStringFormat:
                return readStringFormat(data);
            default:
                return std::monostate{};
        }
    } catch (const ByteReaderOverrun&) {
        return std::monostate{};
    }
}

}  // namespace zarovia::picture::metafile::plus

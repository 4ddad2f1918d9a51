#include "picture/metafile/EmfPlusObjects.h"

#include "picture/metafile/EmfPlusRecords.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace zarovia::picture::metafile::plus {

namespace {

// Regions nest at most this deep.
constexpr int kMaxRegionDepth = 32;

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

// Dash styles: solid, dash, dot, dash-dot, dash-dot-dot, custom; an unknown one is solid.
Qt::PenStyle dashStyleOf(std::int32_t style) {
    static constexpr std::array kStyles{Qt::SolidLine,   Qt::DashLine,       Qt::DotLine,
                                        Qt::DashDotLine, Qt::DashDotDotLine, Qt::CustomDashLine};
    return style >= 0 && static_cast<std::size_t>(style) < kStyles.size() ? kStyles[style]
                                                                          : Qt::SolidLine;
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
    if (flags & 0x0020) pen.style = dashStyleOf(r.i32());
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
}  // namespace

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

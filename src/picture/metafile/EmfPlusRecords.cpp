#include "picture/metafile/EmfPlusRecords.h"

#include <cmath>

namespace zarovia::picture::metafile::plus {

namespace {

double checked(float v) {
    const double d = static_cast<double>(v);
    return std::isfinite(d) ? d : 0.0;
}

// EmfPlusInteger7 (one byte, high bit clear) or EmfPlusInteger15 (two bytes, high bit set),
// signed.
int compressed(ByteReader& r) {
    const std::uint8_t first = r.u8();
    if (!(first & 0x80)) return (first & 0x40) ? static_cast<int>(first) - 0x80 : first;
    const int value = ((first & 0x7F) << 8) | r.u8();
    return (value & 0x4000) ? value - 0x8000 : value;
}

}  // namespace

double pixelsPerUnit(std::uint32_t unit, double dpi) {
    switch (unit) {
        case UnitDisplay:
        case UnitPixel:
            return 1.0;
        case UnitPoint:
            return dpi / 72.0;
        case UnitInch:
            return dpi;
        case UnitDocument:
            return dpi / 300.0;
        case UnitMillimeter:
            return dpi / 25.4;
        default:
            return 1.0;
    }
}

QColor argb(std::uint32_t v) {
    return QColor(static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>(v & 0xFF), static_cast<int>(v >> 24));
}

QRectF rectF(ByteReader& r) {
    const double x = checked(r.f32());
    const double y = checked(r.f32());
    const double w = checked(r.f32());
    const double h = checked(r.f32());
    return QRectF(x, y, w, h);
}

QRectF rect(ByteReader& r, bool integer) {
    if (!integer) return rectF(r);
    const double x = r.i16();
    const double y = r.i16();
    const double w = r.i16();
    const double h = r.i16();
    return QRectF(x, y, w, h);
}

QPolygonF points(ByteReader& r, std::size_t count, bool integer, bool relative) {
    // Each point takes at least two bytes, whatever its form.
    if (count > r.remaining() / 2) throw ByteReaderOverrun();
    QPolygonF out;
    out.reserve(static_cast<qsizetype>(count));
    QPointF at(0, 0);
    for (std::size_t i = 0; i < count; ++i) {
        if (relative) {
            const int dx = compressed(r);
            const int dy = compressed(r);
            at += QPointF(dx, dy);
            out.append(at);
        } else if (integer) {
            const double x = r.i16();
            const double y = r.i16();
            out.append(QPointF(x, y));
        } else {
            const double x = checked(r.f32());
            const double y = checked(r.f32());
            out.append(QPointF(x, y));
        }
    }
    return out;
}

std::optional<QTransform> matrix(ByteReader& r) {
    double m[6];
    for (double& v : m) v = static_cast<double>(r.f32());
    for (double v : m)
        if (!std::isfinite(v) || std::abs(v) > 1e9) return std::nullopt;
    return QTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

}  // namespace zarovia::picture::metafile::plus

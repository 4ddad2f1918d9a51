#include "picture/metafile/EmfRecords.h"

#include "picture/metafile/Limits.h"

#include <algorithm>
#include <cmath>

namespace zarovia::picture::metafile::emf {

QPointF pointL(ByteReader& r) {
    const double x = r.i32();
    const double y = r.i32();
    return QPointF(x, y);
}

QRectF rectL(ByteReader& r) {
    const double left = r.i32();
    const double top = r.i32();
    const double right = r.i32();
    const double bottom = r.i32();
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPolygonF readPoints(ByteReader& r, std::size_t count, bool small) {
    const std::size_t size = small ? 4 : 8;
    if (count > r.remaining() / size) throw ByteReaderOverrun();
    QPolygonF poly;
    poly.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const double x = small ? r.i16() : r.i32();
        const double y = small ? r.i16() : r.i32();
        poly.append(QPointF(x, y));
    }
    return poly;
}

std::vector<QPolygonF> readPolyPoly(ByteReader& r, bool small) {
    r.skip(16);  // bounds
    const std::size_t polys = r.u32();
    const std::size_t total = r.u32();
    if (polys > r.remaining() / 4) throw ByteReaderOverrun();
    std::vector<std::size_t> counts(polys);
    std::size_t sum = 0;
    for (auto& c : counts) {
        c = r.u32();
        if (c > total - std::min(sum, total)) throw ByteReaderOverrun();
        sum += c;
    }
    std::vector<QPolygonF> out;
    out.reserve(polys);
    for (std::size_t c : counts) out.push_back(readPoints(r, c, small));
    return out;
}

std::optional<QTransform> readXform(ByteReader& r) {
    const double m11 = static_cast<double>(r.f32());
    const double m12 = static_cast<double>(r.f32());
    const double m21 = static_cast<double>(r.f32());
    const double m22 = static_cast<double>(r.f32());
    const double dx = static_cast<double>(r.f32());
    const double dy = static_cast<double>(r.f32());
    const QTransform t(m11, m12, m21, m22, dx, dy);
    for (double v : {m11, m12, m21, m22, dx, dy})
        if (!std::isfinite(v) || std::abs(v) > 1e9) return std::nullopt;
    if (t.determinant() == 0 || !std::isfinite(t.determinant())) return std::nullopt;
    return t;
}

QPainterPath readRegionData(ByteReader r) {
    const std::uint32_t headerSize = r.u32();
    r.skip(4);  // type
    const std::size_t count = r.u32();
    r.seek(std::max<std::size_t>(headerSize, 32));
    if (count > r.remaining() / 16) throw ByteReaderOverrun();
    QPainterPath area;
    area.setFillRule(Qt::WindingFill);
    for (std::size_t i = 0; i < count && area.elementCount() < kMaxClipElements; ++i)
        area.addRect(rectL(r));
    return area;
}

}  // namespace zarovia::picture::metafile::emf

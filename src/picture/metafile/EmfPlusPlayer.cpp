#include "picture/metafile/EmfPlusPlayer.h"

#include "picture/metafile/EmfPlusRecords.h"
#include "picture/metafile/FontMapping.h"
#include "picture/metafile/Gdi.h"
#include "picture/metafile/Limits.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace zarovia::picture::metafile::plus {

namespace {

// Saved states and containers kept at once.
constexpr std::size_t kMaxSaved = 4096;
// The largest object assembled from continued records.
constexpr std::uint32_t kMaxObjectBytes = 64u * 1024 * 1024;
// Lines laid out for one string.
constexpr int kMaxStringLines = 1000;
// Interpolation mode that keeps bitmap pixels square.
constexpr std::uint32_t kNearestNeighbour = 5;

// Combine modes of the clip records, as the GDI region modes.
int regionMode(std::uint16_t flags) {
    switch ((flags >> 8) & 0x0F) {
        case 1:
            return RGN_AND;
        case 2:
            return RGN_OR;
        case 3:
            return RGN_XOR;
        case 4:
            return RGN_DIFF;
        case 5:
            return RGN_COMPLEMENT;
        default:
            return RGN_COPY;
    }
}

// A cardinal spline through the points as Bezier curves (GDI+ curves: tension 0.5 by default).
QPainterPath cardinal(const QPolygonF& p, double tension, bool closed) {
    QPainterPath path;
    const qsizetype n = p.size();
    if (n < 2) return path;
    const double k = std::clamp(tension, 0.0, 10.0) / 3.0;
    const auto at = [&](qsizetype i) {
        if (closed) return p[((i % n) + n) % n];
        return p[std::clamp<qsizetype>(i, 0, n - 1)];
    };
    path.moveTo(p[0]);
    const qsizetype segments = closed ? n : n - 1;
    for (qsizetype i = 0; i < segments; ++i) {
        const QPointF c1 = at(i) + (at(i + 1) - at(i - 1)) * k;
        const QPointF c2 = at(i + 1) - (at(i + 2) - at(i)) * k;
        path.cubicTo(c1, c2, at(i + 1));
    }
    if (closed) path.closeSubpath();
    return path;
}

double lengthScale(const QTransform& t) {
    return std::sqrt(std::abs(t.determinant()));
}

}  // namespace

bool drawsSomething(ByteReader r) {
    while (r.canRead(kRecordHeaderBytes)) {
        const std::uint16_t type = r.u16();
        r.skip(2);
        const std::uint32_t size = r.u32();
        r.skip(4);
        if (size < kRecordHeaderBytes || size - kRecordHeaderBytes > r.remaining()) return false;
        if ((type >= Clear && type <= DrawString) || type == DrawDriverString) return true;
        r.skip(size - kRecordHeaderBytes);
    }
    return false;
}

Player::Player(Gdi& gdi, const QRectF& deviceFrame, bool dualByPlus)
    : gdi_(gdi), budget_(gdi.budget()), deviceFrame_(deviceFrame), dualByPlus_(dualByPlus) {}

QTransform Player::toDevice() const {
    const std::uint32_t unit = state_.pageUnit == UnitWorld ? UnitPixel : state_.pageUnit;
    const double sx = pixelsPerUnit(unit, dpiX_) * state_.pageScale;
    const double sy = pixelsPerUnit(unit, dpiY_) * state_.pageScale;
    return state_.world * QTransform::fromScale(sx, sy);
}

void Player::play(ByteReader r) {
    while (r.canRead(kRecordHeaderBytes) && !ended_) {
        const std::uint16_t type = r.u16();
        const std::uint16_t flags = r.u16();
        const std::uint32_t size = r.u32();
        if (gdi_.outOfTime(size)) return;
        const std::uint32_t dataSize = r.u32();
        if (size < kRecordHeaderBytes || size - kRecordHeaderBytes > r.remaining()) return;
        ByteReader body = r.split(size - kRecordHeaderBytes);
        ByteReader data = body.sub(0, std::min<std::size_t>(dataSize, body.size()));
        // Any EMF+ record takes drawing back from the EMF records a GetDC handed it to.
        handedOver_ = false;
        if (type == Header) {
            if (header_ || !data.canRead(16)) continue;
            header_ = true;
            dual_ = (flags & kDualHeader) != 0;
            data.skip(8);  // version, flags
            const double dx = data.u32();
            const double dy = data.u32();
            if (dx >= 1 && dx <= 10000) dpiX_ = dx;
            if (dy >= 1 && dy <= 10000) dpiY_ = dy;
            continue;
        }
        // Records before the header are not played, nor those of a dual file that draws
        // with its EMF records alone.
        if (!playing()) continue;
        try {
            record(type, flags, data);
        } catch (const ByteReaderOverrun&) {
            // A record shorter than its fields is passed over.
        }
    }
}

void Player::record(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    switch (type) {
        case EndOfFile:
            ended_ = true;
            break;
        case GetDC:
            handedOver_ = true;
            break;
        case ObjectRecord:
            object(flags, r);
            break;
        case Clear: {
            QPainterPath everywhere;
            everywhere.addRect(deviceFrame_);
            Style style;
            style.brush = QBrush(argb(r.u32()));
            style.mode = QPainter::CompositionMode_Source;
            gdi_.styledPath(everywhere, style);
            break;
        }
        case FillRects:
        case FillPolygon:
        case FillEllipse:
        case FillPie:
        case FillPath:
        case FillClosedCurve:
        case FillRegion:
            fillShapes(type, flags, r);
            break;
        case DrawRects:
        case DrawLines:
        case DrawEllipse:
        case DrawPie:
        case DrawArc:
        case DrawPath:
        case DrawClosedCurve:
        case DrawCurve:
        case DrawBeziers:
            drawShapes(type, flags, r);
            break;
        case DrawString:
            drawString(flags, r);
            break;
        case DrawDriverString:
            drawDriverString(flags, r);
            break;
        case DrawImage:
        case DrawImagePoints:
            drawImage(type, flags, r);
            break;
        case SetInterpolationMode:
            state_.nearest = (flags & 0xFF) == kNearestNeighbour;
            break;
        case SetCompositingMode:
            state_.mode = (flags & 0xFF) == 1 ? QPainter::CompositionMode_Source
                                              : QPainter::CompositionMode_SourceOver;
            break;
        case Save:
            save(r.u32());
            break;
        case Restore:
        case EndContainer:
            restore(r.u32());
            break;
        case BeginContainer: {
            const QRectF dest = rectF(r);
            const QRectF source = rectF(r);
            save(r.u32());
            if (source.width() == 0 || source.height() == 0) break;
            const QTransform fit = QTransform::fromTranslate(-source.x(), -source.y()) *
                                   QTransform::fromScale(dest.width() / source.width(),
                                                         dest.height() / source.height()) *
                                   QTransform::fromTranslate(dest.x(), dest.y());
            state_.world = fit * state_.world;
            break;
        }
        case BeginContainerNoParams:
            save(r.u32());
            break;
        case SetWorldTransform:
        case ResetWorldTransform:
        case MultiplyWorldTransform:
        case TranslateWorldTransform:
        case ScaleWorldTransform:
        case RotateWorldTransform:
        case SetPageTransform:
            transformRecord(type, flags, r);
            break;
        case ResetClip:
        case SetClipRect:
        case SetClipPath:
        case SetClipRegion:
        case OffsetClip:
            clipRecord(type, flags, r);
            break;
        default:
            break;  // records that change nothing drawn here
    }
}

void Player::object(std::uint16_t flags, ByteReader& r) {
    const int id = flags & 0xFF;
    const std::uint32_t type = (flags >> 8) & 0x7F;
    if (id >= static_cast<int>(objects_.size())) return;
    BudgetAccount& budget = budget_;
    const auto store = [&](ByteReader data) {
        Object object = readObject(type, data, budget, gdi_.areas());
        // A bitmap's decoding is work beyond the record's bytes.
        if (const Image* image = std::get_if<Image>(&object))
            gdi_.noteWork(static_cast<std::int64_t>(image->image.width()) * image->image.height() /
                          256);
        objects_[static_cast<std::size_t>(id)] = std::move(object);
    };
    // The parts of an object that arrives in several records are kept (and counted) until the
    // last has come.
    const auto gather = [&]() {
        const auto more = static_cast<std::int64_t>(r.remaining());
        if (!budget.reserve(more)) {
            dropPending();
            return false;
        }
        pending_.reserved += more;
        pending_.bytes.append(reinterpret_cast<const char*>(r.data() + r.position()),
                              static_cast<qsizetype>(more));
        return true;
    };
    if (!(flags & kContinued)) {
        if (pending_.id == id && pending_.type == type) {
            // The final part of an object that arrived in several records.
            if (!gather()) return;
            const QByteArray whole = pending_.bytes;
            store(ByteReader(whole));
            dropPending();
            return;
        }
        store(r);
        return;
    }
    const std::uint32_t total = r.u32();
    if (pending_.id != id || pending_.type != type) {
        dropPending();
        if (total > kMaxObjectBytes) return;
        pending_.id = id;
        pending_.type = type;
        pending_.total = total;
    }
    if (!gather()) return;
    if (static_cast<std::uint32_t>(pending_.bytes.size()) >= pending_.total) {
        const QByteArray whole = pending_.bytes;
        store(ByteReader(whole.constData(),
                         std::min<std::size_t>(static_cast<std::size_t>(whole.size()), total)));
        dropPending();
    }
}

Player::~Player() {
    dropPending();
}

void Player::dropPending() {
    budget_.release(pending_.reserved);
    pending_ = Pending{};
}

const Brush* Player::brushOf(std::uint16_t flags, std::uint32_t field, Brush& scratch) const {
    if (flags & kSolidColour) {
        scratch.brush = QBrush(argb(field));
        scratch.hatchBackground.reset();
        return &scratch;
    }
    if (field >= objects_.size()) return nullptr;
    return std::get_if<Brush>(&objects_[field]);
}

QBrush Player::onDevice(const QBrush& brush) const {
    QBrush out = brush;
    if (brush.style() != Qt::SolidPattern && brush.style() != Qt::NoBrush)
        out.setTransform(brush.transform() * toDevice());
    return out;
}

void Player::fill(const QPainterPath& world, const Brush& brush) {
    if (brush.brush.style() == Qt::NoBrush) return;
    const QPainterPath device = toDevice().map(world);
    if (brush.hatchBackground) {
        Style gaps;
        gaps.brush = QBrush(*brush.hatchBackground);
        gaps.mode = state_.mode;
        gdi_.styledPath(device, gaps);
    }
    Style style;
    style.brush = onDevice(brush.brush);
    style.mode = state_.mode;
    gdi_.styledPath(device, style);
}

void Player::stroke(const QPainterPath& world, std::uint32_t penId) {
    if (penId >= objects_.size()) return;
    const Pen* pen = std::get_if<Pen>(&objects_[penId]);
    if (!pen || pen->brush.brush.style() == Qt::NoBrush) return;
    const QTransform t = toDevice();
    double width = pen->width;
    if (pen->unit == UnitWorld)
        width *= lengthScale(t);
    else
        width *= pixelsPerUnit(pen->unit, dpiX_);
    QPen qpen(onDevice(pen->brush.brush), std::min(width, kMaxPenWidth), pen->style, pen->cap,
              pen->join);
    if (!(width > 0)) qpen.setCosmetic(true);
    qpen.setMiterLimit(pen->miterLimit);
    if (pen->style == Qt::CustomDashLine) qpen.setDashPattern(pen->dashes);
    Style style;
    style.pen = qpen;
    style.mode = state_.mode;
    gdi_.styledPath(t.map(world), style);
}

void Player::fillShapes(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    const bool integer = (flags & kIntegerPoints) != 0;
    const bool relative = (flags & kRelativePoints) != 0;
    Brush scratch;
    QPainterPath path;
    const Brush* brush = nullptr;
    switch (type) {
        case FillRects: {
            brush = brushOf(flags, r.u32(), scratch);
            const std::size_t n = r.u32();
            if (n > r.remaining() / 8) throw ByteReaderOverrun();
            path.setFillRule(Qt::WindingFill);
            for (std::size_t i = 0; i < n; ++i) path.addRect(rect(r, integer).normalized());
            break;
        }
        case FillPolygon: {
            brush = brushOf(flags, r.u32(), scratch);
            const std::size_t n = r.u32();
            path.addPolygon(points(r, n, integer, relative));
            path.closeSubpath();
            break;
        }
        case FillEllipse:
            brush = brushOf(flags, r.u32(), scratch);
            path.addEllipse(rect(r, integer));
            break;
        case FillPie: {
            brush = brushOf(flags, r.u32(), scratch);
            const double start = static_cast<double>(r.f32());
            const double sweep = static_cast<double>(r.f32());
            const QRectF box = rect(r, integer);
            if (!std::isfinite(start) || !std::isfinite(sweep)) return;
            path.moveTo(box.center());
            path.arcTo(box, -start, -std::clamp(sweep, -360.0, 360.0));
            path.closeSubpath();
            break;
        }
        case FillPath: {
            brush = brushOf(flags, r.u32(), scratch);
            const std::size_t id = flags & 0xFF;
            const Path* p = id < objects_.size() ? std::get_if<Path>(&objects_[id]) : nullptr;
            if (!p) return;
            path = p->path;
            break;
        }
        case FillClosedCurve: {
            brush = brushOf(flags, r.u32(), scratch);
            const double tension = static_cast<double>(r.f32());
            const std::size_t n = r.u32();
            path = cardinal(points(r, n, integer, relative), std::isfinite(tension) ? tension : 0.5,
                            true);
            path.setFillRule((flags & kWindingFill) ? Qt::WindingFill : Qt::OddEvenFill);
            break;
        }
        case FillRegion: {
            brush = brushOf(flags, r.u32(), scratch);
            const std::size_t id = flags & 0xFF;
            const Region* g = id < objects_.size() ? std::get_if<Region>(&objects_[id]) : nullptr;
            if (!g) return;
            if (g->infinite) {
                bool invertible = false;
                const QTransform back = toDevice().inverted(&invertible);
                if (!invertible) return;
                path.addPolygon(back.map(QPolygonF(deviceFrame_)));
            } else {
                path = g->area;
            }
            break;
        }
        default:
            return;
    }
    if (brush) fill(path, *brush);
}

void Player::drawShapes(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    const bool integer = (flags & kIntegerPoints) != 0;
    const bool relative = (flags & kRelativePoints) != 0;
    std::uint32_t pen = flags & 0xFF;
    QPainterPath path;
    switch (type) {
        case DrawRects: {
            const std::size_t n = r.u32();
            if (n > r.remaining() / 8) throw ByteReaderOverrun();
            for (std::size_t i = 0; i < n; ++i) path.addRect(rect(r, integer).normalized());
            break;
        }
        case DrawLines: {
            const std::size_t n = r.u32();
            path.addPolygon(points(r, n, integer, relative));
            if (flags & kClosedLine) path.closeSubpath();
            break;
        }
        case DrawEllipse:
            path.addEllipse(rect(r, integer));
            break;
        case DrawPie:
        case DrawArc: {
            const double start = static_cast<double>(r.f32());
            const double sweep = static_cast<double>(r.f32());
            const QRectF box = rect(r, integer);
            if (!std::isfinite(start) || !std::isfinite(sweep)) return;
            if (type == DrawPie) {
                path.moveTo(box.center());
                path.arcTo(box, -start, -std::clamp(sweep, -360.0, 360.0));
                path.closeSubpath();
            } else {
                path.arcMoveTo(box, -start);
                path.arcTo(box, -start, -std::clamp(sweep, -360.0, 360.0));
            }
            break;
        }
        case DrawPath: {
            const std::size_t id = flags & 0xFF;
            pen = r.u32();
            const Path* p = id < objects_.size() ? std::get_if<Path>(&objects_[id]) : nullptr;
            if (!p) return;
            path = p->path;
            break;
        }
        case DrawClosedCurve: {
            const double tension = static_cast<double>(r.f32());
            const std::size_t n = r.u32();
            path = cardinal(points(r, n, integer, relative), std::isfinite(tension) ? tension : 0.5,
                            true);
            break;
        }
        case DrawCurve: {
            const double tension = static_cast<double>(r.f32());
            const std::size_t offset = r.u32();
            const std::size_t segments = r.u32();
            const std::size_t n = r.u32();
            const QPolygonF all = points(r, n, integer, relative);
            if (offset >= static_cast<std::size_t>(all.size())) return;
            const qsizetype count = static_cast<qsizetype>(
                std::min<std::size_t>(segments + 1, static_cast<std::size_t>(all.size()) - offset));
            path = cardinal(QPolygonF(all.mid(static_cast<qsizetype>(offset), count)),
                            std::isfinite(tension) ? tension : 0.5, false);
            break;
        }
        case DrawBeziers: {
            const std::size_t n = r.u32();
            const QPolygonF p = points(r, n, integer, relative);
            if (p.size() < 4) return;
            path.moveTo(p[0]);
            for (qsizetype i = 1; i + 2 < p.size(); i += 3) path.cubicTo(p[i], p[i + 1], p[i + 2]);
            break;
        }
        default:
            return;
    }
    stroke(path, pen);
}

void Player::drawString(std::uint16_t flags, ByteReader& r) {
    Brush scratch;
    const Brush* brush = brushOf(flags, r.u32(), scratch);
    const std::uint32_t formatId = r.u32();
    const std::size_t length = r.u32();
    const QRectF layout = rectF(r);
    if (length > r.remaining() / 2) throw ByteReaderOverrun();
    QString text;
    text.reserve(static_cast<qsizetype>(length));
    for (std::size_t i = 0; i < length; ++i) text.append(QChar(r.u16()));
    const std::size_t fontId = flags & 0xFF;
    const Font* font = fontId < objects_.size() ? std::get_if<Font>(&objects_[fontId]) : nullptr;
    if (!font || !brush || text.isEmpty()) return;
    const StringFormat* format =
        formatId < objects_.size() ? std::get_if<StringFormat>(&objects_[formatId]) : nullptr;
    const StringFormat plain;
    if (!format) format = &plain;

    const QTransform t = toDevice();
    const double scale = lengthScale(t);
    if (!(scale > 0)) return;
    // The em in world units: a font in world units as it is, one in device units through the
    // transform.
    const double em = font->unit == UnitWorld
                          ? font->emSize
                          : font->emSize * pixelsPerUnit(font->unit, dpiY_) / scale;
    if (!(em > 0) || !(em * scale < kMaxCoordinate)) return;
    const double s = em / kReferencePixels;  // world units per text-space unit
    const QFont qfont =
        referenceFont(substituteFamily(font->family, DEFAULT_CHARSET, 0),
                      (font->style & kFontBold) ? 700 : 400, (font->style & kFontItalic) != 0);
    const QFontMetricsF metrics(qfont);
    // The margins narrow the layout rectangle at both ends.
    const double leading = format->leadingMargin * kReferencePixels;
    const double trailing = format->trailingMargin * kReferencePixels;
    const double width =
        layout.width() > 0 ? std::max(1.0, layout.width() / s - leading - trailing) : 0.0;
    const bool wrap = !(format->flags & kFormatNoWrap) && width > 0;

    // Lines broken at the layout rectangle's width (metrics only: glyphs are made at draw).
    struct Line {
        QString text;
        double width;
    };
    std::vector<Line> lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layoutText(paragraph, qfont);
        layoutText.setCacheEnabled(false);
        layoutText.beginLayout();
        for (QTextLine line = layoutText.createLine(); line.isValid();
             line = layoutText.createLine()) {
            line.setLineWidth(wrap ? width : 1e7);
            lines.push_back(
                Line{paragraph.mid(line.textStart(), line.textLength()), line.naturalTextWidth()});
            if (static_cast<int>(lines.size()) >= kMaxStringLines) break;
        }
        layoutText.endLayout();
        if (static_cast<int>(lines.size()) >= kMaxStringLines) break;
    }
    const double lineHeight = metrics.lineSpacing();
    const double total = lineHeight * static_cast<double>(lines.size());
    const double height = layout.height() / s;
    double top = 0;
    if (height > 0 && format->lineAlignment == 1) top = (height - total) / 2;
    if (height > 0 && format->lineAlignment == 2) top = height - total;
    const QColor colour =
        brush->brush.style() == Qt::SolidPattern ? brush->brush.color() : Qt::black;
    std::optional<QRectF> clip;
    if (!(format->flags & kFormatNoClip) && layout.width() > 0 && layout.height() > 0 &&
        t.type() <= QTransform::TxScale)
        clip = t.mapRect(layout.normalized());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        double x = leading;
        if (width > 0 && format->alignment == 1) x += (width - line.width) / 2;
        if (width > 0 && format->alignment == 2) x += width - line.width;
        const double baseline = top + lineHeight * static_cast<double>(i) + metrics.ascent();
        TextItem item;
        item.text = line.text;
        item.font = qfont;
        item.frame = QTransform::fromScale(s, s) *
                     QTransform::fromTranslate(layout.x() + x * s, layout.y() + baseline * s) * t;
        item.width = line.width;
        item.ascent = metrics.ascent();
        item.descent = metrics.descent();
        item.colour = colour;
        item.opaqueColour = colour;
        item.clipRect = clip;
        if (font->style & kFontUnderline) item.underline = metrics.underlinePos();
        if (font->style & kFontStrikeout) item.strikeOut = -metrics.strikeOutPos();
        item.lineWidth = metrics.lineWidth();
        gdi_.styledText(std::move(item), em * scale);
    }
}

void Player::drawDriverString(std::uint16_t flags, ByteReader& r) {
    Brush scratch;
    const Brush* brush = brushOf(flags, r.u32(), scratch);
    const std::uint32_t options = r.u32();
    const std::uint32_t hasMatrix = r.u32();
    const std::size_t count = r.u32();
    if (count > r.remaining() / 10) throw ByteReaderOverrun();
    QString text;
    for (std::size_t i = 0; i < count; ++i) text.append(QChar(r.u16()));
    const QPolygonF positions = points(r, count, false, false);
    std::optional<QTransform> extra;
    if (hasMatrix) extra = matrix(r);
    // Glyph numbers of a font we do not have cannot be drawn; characters can.
    constexpr std::uint32_t kCharacters = 0x0001;
    constexpr std::uint32_t kRealizedAdvance = 0x0004;
    const std::size_t fontId = flags & 0xFF;
    const Font* font = fontId < objects_.size() ? std::get_if<Font>(&objects_[fontId]) : nullptr;
    if (!(options & kCharacters) || !font || !brush || text.isEmpty()) return;
    const QTransform t = (extra ? *extra : QTransform()) * toDevice();
    const double scale = lengthScale(t);
    if (!(scale > 0)) return;
    const double em = font->unit == UnitWorld
                          ? font->emSize
                          : font->emSize * pixelsPerUnit(font->unit, dpiY_) / scale;
    if (!(em > 0) || !(em * scale < kMaxCoordinate)) return;
    const double s = em / kReferencePixels;
    TextItem item;
    item.text = text;
    item.font =
        referenceFont(substituteFamily(font->family, DEFAULT_CHARSET, 0),
                      (font->style & kFontBold) ? 700 : 400, (font->style & kFontItalic) != 0);
    const QFontMetricsF metrics(item.font);
    const QPointF origin = positions.value(0);
    if (!(options & kRealizedAdvance)) {
        // Each character at its own place along the first one's baseline.
        for (qsizetype i = 0; i < text.size(); ++i) {
            const double next = i + 1 < positions.size()
                                    ? positions[i + 1].x()
                                    : positions[i].x() + metrics.horizontalAdvance(text[i]) * s;
            item.advances.push_back((next - positions[i].x()) / s);
            item.width += item.advances.back();
        }
    } else {
        item.width = metrics.horizontalAdvance(text);
    }
    item.frame =
        QTransform::fromScale(s, s) * QTransform::fromTranslate(origin.x(), origin.y()) * t;
    item.ascent = metrics.ascent();
    item.descent = metrics.descent();
    item.colour = brush->brush.style() == Qt::SolidPattern ? brush->brush.color() : Qt::black;
    if (font->style & kFontUnderline) item.underline = metrics.underlinePos();
    if (font->style & kFontStrikeout) item.strikeOut = -metrics.strikeOutPos();
    item.lineWidth = metrics.lineWidth();
    gdi_.styledText(std::move(item), em * scale);
}

void Player::drawImage(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    const std::size_t id = flags & 0xFF;
    const Image* image = id < objects_.size() ? std::get_if<Image>(&objects_[id]) : nullptr;
    r.skip(4);  // image attributes
    r.skip(4);  // source unit: bitmaps are measured in pixels
    QRectF source = rectF(r);
    if (!image || image->image.isNull()) return;
    source = source.normalized();
    QRectF bounds = QRectF(image->image.rect());
    if (source.isEmpty()) source = bounds;
    // Only the source rectangle is drawn: a part of a bitmap is copied (and counted), a whole
    // one shares its object's pixels, however many times it is drawn.
    const QRect crop = source.toAlignedRect().intersected(image->image.rect());
    if (crop.isEmpty()) return;
    QImage pixels = image->image;
    if (crop != image->image.rect()) pixels = gdi_.premultipliedCopy(image->image, crop);
    if (pixels.isNull()) return;
    QTransform toWorld;
    if (type == DrawImage) {
        const QRectF dest = rect(r, (flags & kIntegerPoints) != 0);
        toWorld =
            QTransform::fromTranslate(crop.x() - source.x(), crop.y() - source.y()) *
            QTransform::fromScale(dest.width() / source.width(), dest.height() / source.height()) *
            QTransform::fromTranslate(dest.x(), dest.y());
    } else {
        const std::size_t n = r.u32();
        if (n != 3) return;
        const QPolygonF p =
            points(r, 3, (flags & kIntegerPoints) != 0, (flags & kRelativePoints) != 0);
        const QTransform unit(p[1].x() - p[0].x(), p[1].y() - p[0].y(), p[2].x() - p[0].x(),
                              p[2].y() - p[0].y(), p[0].x(), p[0].y());
        toWorld = QTransform::fromTranslate(crop.x() - source.x(), crop.y() - source.y()) *
                  QTransform::fromScale(1.0 / source.width(), 1.0 / source.height()) * unit;
    }
    ImageItem item;
    item.image = pixels;
    item.frame = toWorld * toDevice();
    item.mode = state_.mode;
    item.smooth = !state_.nearest;
    if (!item.frame.isInvertible()) return;
    gdi_.styledImage(std::move(item));
}

void Player::transformRecord(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    const bool append = (flags & kAppend) != 0;
    const auto combine = [&](const QTransform& m) {
        state_.world = append ? state_.world * m : m * state_.world;
    };
    switch (type) {
        case SetWorldTransform:
            if (const auto m = matrix(r)) state_.world = *m;
            break;
        case ResetWorldTransform:
            state_.world = QTransform();
            break;
        case MultiplyWorldTransform:
            if (const auto m = matrix(r)) combine(*m);
            break;
        case TranslateWorldTransform: {
            const double dx = static_cast<double>(r.f32());
            const double dy = static_cast<double>(r.f32());
            if (std::isfinite(dx) && std::isfinite(dy)) combine(QTransform::fromTranslate(dx, dy));
            break;
        }
        case ScaleWorldTransform: {
            const double sx = static_cast<double>(r.f32());
            const double sy = static_cast<double>(r.f32());
            if (std::isfinite(sx) && std::isfinite(sy)) combine(QTransform::fromScale(sx, sy));
            break;
        }
        case RotateWorldTransform: {
            const double angle = static_cast<double>(r.f32());
            if (std::isfinite(angle)) combine(QTransform().rotate(angle));
            break;
        }
        case SetPageTransform: {
            const double scale = static_cast<double>(r.f32());
            state_.pageUnit = flags & 0xFF;
            if (std::isfinite(scale) && scale > 0 && scale < 1e6) state_.pageScale = scale;
            break;
        }
        default:
            break;
    }
    if (!state_.world.isInvertible() || std::abs(state_.world.m11()) > 1e9 ||
        std::abs(state_.world.dx()) > 1e9)
        state_.world = QTransform();
}

void Player::clipRecord(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    const QTransform t = toDevice();
    QPainterPath area;
    switch (type) {
        case ResetClip:
            gdi_.selectClipRegion(std::nullopt, RGN_COPY);
            return;
        case OffsetClip: {
            const double dx = static_cast<double>(r.f32());
            const double dy = static_cast<double>(r.f32());
            gdi_.translateClip(t.map(QPointF(dx, dy)) - t.map(QPointF(0, 0)));
            return;
        }
        case SetClipRect:
            area.addRect(rectF(r).normalized());
            break;
        case SetClipPath: {
            const std::size_t id = flags & 0xFF;
            const Path* p = id < objects_.size() ? std::get_if<Path>(&objects_[id]) : nullptr;
            if (!p) return;
            area = p->path;
            break;
        }
        case SetClipRegion: {
            const std::size_t id = flags & 0xFF;
            const Region* g = id < objects_.size() ? std::get_if<Region>(&objects_[id]) : nullptr;
            if (!g) return;
            if (g->infinite) {
                if (regionMode(flags) == RGN_COPY) gdi_.selectClipRegion(std::nullopt, RGN_COPY);
                return;
            }
            area = g->area;
            break;
        }
        default:
            return;
    }
    gdi_.selectClipRegion(t.map(area), regionMode(flags));
}

void Player::save(std::uint32_t index) {
    if (saved_.size() >= kMaxSaved) return;
    state_.clip = gdi_.clipState();
    saved_.emplace_back(index, state_);
}

void Player::restore(std::uint32_t index) {
    for (std::size_t i = saved_.size(); i-- > 0;) {
        if (saved_[i].first != index) continue;
        state_ = saved_[i].second;
        saved_.erase(saved_.begin() + static_cast<std::ptrdiff_t>(i), saved_.end());
        gdi_.setClipState(state_.clip);
        return;
    }
}

}  // namespace zarovia::picture::metafile::plus

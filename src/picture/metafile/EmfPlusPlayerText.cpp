#include "picture/metafile/EmfPlusPlayer.h"

#include "picture/metafile/FontMapping.h"
#include "picture/metafile/Gdi.h"
#include "picture/metafile/Limits.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>
#include <optional>

namespace zarovia::picture::metafile::plus {

namespace {

// Lines laid out for one string.
constexpr int kMaxStringLines = 1000;

// A font object as a string under `toDevice` is drawn with it: the em in world units, how
// much the transform stretches lengths, and the font at kReferencePixels.
struct TextFont {
    double em = 0;
    double scale = 0;
    QFont font;
    // World units per unit of the reference font.
    double worldPerReference() const { return em / kReferencePixels; }
};

// None when the transform flattens everything or the em comes out empty or too large on the
// device. A font in world units is taken as it is, one in device units through the transform.
std::optional<TextFont> textFont(const Font& font, const QTransform& toDevice, double dpiY) {
    TextFont out;
    out.scale = lengthScale(toDevice);
    if (!(out.scale > 0)) return std::nullopt;
    out.em = font.unit == UnitWorld ? font.emSize
                                    : font.emSize * pixelsPerUnit(font.unit, dpiY) / out.scale;
    if (!(out.em > 0) || !(out.em * out.scale < kMaxCoordinate)) return std::nullopt;
    out.font = referenceFont(substituteFamily(font.family, DEFAULT_CHARSET, 0),
                             (font.style & kFontBold) ? 700 : 400, (font.style & kFontItalic) != 0);
    return out;
}

// The height, decorations and line width of a text item, from the font's metrics.
void setMetrics(TextItem& item, const Font& font, const QFontMetricsF& metrics) {
    item.ascent = metrics.ascent();
    item.descent = metrics.descent();
    if (font.style & kFontUnderline) item.underline = metrics.underlinePos();
    if (font.style & kFontStrikeout) item.strikeOut = -metrics.strikeOutPos();
    item.lineWidth = metrics.lineWidth();
}

// Text takes a solid brush's colour; any other brush draws it black.
QColor textColour(const Brush& brush) {
    return brush.brush.style() == Qt::SolidPattern ? brush.brush.color() : Qt::black;
}

}  // namespace

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
    const Font* font = objectAt<Font>(flags & 0xFF);
    if (!font || !brush || text.isEmpty()) return;
    const StringFormat* format = objectAt<StringFormat>(formatId);
    const StringFormat plain;
    if (!format) format = &plain;

    const QTransform t = toDevice();
    const std::optional<TextFont> face = textFont(*font, t, dpiY_);
    if (!face) return;
    const double s = face->worldPerReference();
    const QFontMetricsF metrics(face->font);
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
        QTextLayout layoutText(paragraph, face->font);
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
    const QColor colour = textColour(*brush);
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
        item.font = face->font;
        item.frame = QTransform::fromScale(s, s) *
                     QTransform::fromTranslate(layout.x() + x * s, layout.y() + baseline * s) * t;
        item.width = line.width;
        item.colour = colour;
        item.opaqueColour = colour;
        item.clipRect = clip;
        setMetrics(item, *font, metrics);
        gdi_.styledText(std::move(item), face->em * face->scale);
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
    const Font* font = objectAt<Font>(flags & 0xFF);
    if (!(options & kCharacters) || !font || !brush || text.isEmpty()) return;
    const QTransform t = (extra ? *extra : QTransform()) * toDevice();
    const std::optional<TextFont> face = textFont(*font, t, dpiY_);
    if (!face) return;
    const double s = face->worldPerReference();
    TextItem item;
    item.text = text;
    item.font = face->font;
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
    item.colour = textColour(*brush);
    setMetrics(item, *font, metrics);
    gdi_.styledText(std::move(item), face->em * face->scale);
}

}  // namespace zarovia::picture::metafile::plus

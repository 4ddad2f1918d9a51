#include "picture/metafile/FontMapping.h"
#include "picture/metafile/Gdi.h"
#include "picture/metafile/GlyphCache.h"
#include "picture/metafile/Limits.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace zarovia::picture::metafile {

namespace {

// The default font of a device context: the system font of a Japanese desktop.
LogFont systemFont() {
    LogFont f;
    f.faceName = QStringLiteral("System");
    f.height = 16;
    f.charset = SHIFTJIS_CHARSET;
    resolveFont(f);
    return f;
}

}  // namespace

void Gdi::text(const TextRun& run) {
    if (exhausted_ || bracket_) return;  // outlines of text and bitmaps do not join a path
    const QTransform& t = toDevice();
    const bool updateCp = (dc_.textAlign & TA_UPDATECP) != 0;
    const QPointF reference = updateCp ? dc_.currentPosition : run.reference;

    std::optional<QRectF> opaqueRect;
    std::optional<QRectF> clipRect;
    if (run.rect && (run.options & (ETO_OPAQUE | ETO_CLIPPED))) {
        const QRectF r = t.mapRect(run.rect->normalized());
        if (inRangeRect(r)) {
            if (run.options & ETO_OPAQUE) opaqueRect = r;
            if (run.options & ETO_CLIPPED) clipRect = r;
        }
    }
    if (run.text.isEmpty()) {
        // An empty ExtTextOut with an opaque rectangle is a common way to fill a box.
        if (opaqueRect) {
            QPainterPath p;
            p.addRect(*opaqueRect);
            emitFill(p, QBrush(colour(dc_.backgroundColour)));
        }
        return;
    }
    if (static_cast<std::size_t>(run.text.size()) > kMaxTotalTextChars - totalTextChars_) {
        exhausted_ = true;
        return;
    }

    const LogFont* font = dc_.font ? std::get_if<LogFont>(dc_.font.get()) : nullptr;
    LogFont fallback;
    if (!font) {
        fallback = systemFont();
        font = &fallback;
    }
    const double cell = font->ascent + font->descent;
    // Negative heights give the character height (the em), positive ones the cell height.
    const double em = font->height < 0   ? -font->height
                      : font->height > 0 ? font->height * kReferencePixels / std::max(cell, 1.0)
                                         : 12.0;
    const double yScale = deviceUnitsPerLogicalY(t);
    const double xScale = deviceUnitsPerLogicalX(t);
    const double emDevice = em * yScale;
    if (!(emDevice > 0) || !(emDevice < kMaxCoordinate)) return;
    const QPointF origin = t.map(reference);
    if (!std::isfinite(origin.x()) || !std::isfinite(origin.y()) ||
        std::abs(origin.x()) > kMaxCoordinate || std::abs(origin.y()) > kMaxCoordinate)
        return;

    // The escapement turns the baseline, in tenths of a degree. In the compatible mode it turns
    // counter-clockwise on the device unless the mapping mirrors the picture (one axis
    // flipped, as in charts whose y axis grows upwards): then it turns the other way, like the
    // mapping, while the glyphs stay upright. An office chart's y axis title of 2700 under an
    // upward y axis thus reads upwards, centred on its axis. In the advanced mode the text also
    // follows the world transform (its turn, slant and scale); the mapping mode still only
    // scales it, never mirrors it.
    const bool advanced = run.graphicsMode == GM_ADVANCED;
    const bool mirrored = !advanced && t.determinant() < 0;
    QTransform world;
    double pageX = xScale;
    double pageY = yScale;
    if (advanced) {
        const QTransform& w = dc_.mapping.world;
        world = QTransform(w.m11(), w.m12(), w.m21(), w.m22(), 0, 0);
        const QTransform page = pageToDevice(dc_.mapping);
        pageX = std::abs(page.m11());
        pageY = std::abs(page.m22());
    }
    const double s = em * pageY / kReferencePixels;  // device units per text-space unit
    double sx = s;
    if (font->width > 0 && font->averageWidth > 0) {
        const double stretch = font->width * pageX / (font->averageWidth * s);
        sx = s * std::clamp(stretch, 0.1, 10.0);
    }
    QTransform frame;
    frame.translate(origin.x(), origin.y());
    frame.rotate((mirrored ? 1 : -1) * font->escapement / 10.0);
    frame.scale(sx, s);
    if (advanced) {
        frame = QTransform(frame.m11(), frame.m12(), frame.m21(), frame.m22(), 0, 0) * world *
                QTransform::fromTranslate(origin.x(), origin.y());
    }
    // Logical units along the baseline, in text-space units.
    const double toText = pageX / sx;

    TextItem step;
    step.text = run.text;
    step.font = font->font;
    step.ascent = font->ascent;
    step.descent = font->descent;
    step.frame = frame;

    const QFontMetricsF metrics(font->font);
    const double extra = dc_.charExtra * toText;
    // SetTextJustification spreads its extra space over the break characters, a whole
    // logical unit more to the first ones while the division leaves some over.
    const bool justify = run.dx.empty() && dc_.breakCount > 0 && dc_.breakExtra != 0;
    const auto breakShare = [this](int k) {
        const auto total = static_cast<long long>(std::llround(dc_.breakExtra));
        const long long share = total / dc_.breakCount;
        const long long left = total % dc_.breakCount;
        return static_cast<double>(share + (k < std::llabs(left) ? (left > 0 ? 1 : -1) : 0));
    };
    double width = 0;
    if (!run.dx.empty()) {
        step.advances.reserve(static_cast<std::size_t>(run.text.size()));
        for (qsizetype i = 0; i < run.text.size(); ++i) {
            const std::size_t k = static_cast<std::size_t>(i);
            const double a = k < run.dx.size() ? run.dx[k] * toText : 0.0;
            step.advances.push_back(std::isfinite(a) ? std::clamp(a, -1e6, 1e6) : 0.0);
            width += step.advances.back();
        }
    } else if (extra != 0 || justify) {
        int breaks = 0;
        for (qsizetype i = 0; i < run.text.size(); ++i) {
            const bool pair = run.text[i].isHighSurrogate() && i + 1 < run.text.size();
            double a = metrics.horizontalAdvance(run.text.mid(i, pair ? 2 : 1)) + extra;
            if (justify && run.text[i] == QLatin1Char(' ')) a += breakShare(breaks++) * toText;
            a = std::isfinite(a) ? std::clamp(a, -1e6, 1e6) : 0.0;
            step.advances.push_back(a);
            width += a;
            if (pair) {
                step.advances.push_back(0.0);
                ++i;
            }
        }
    } else {
        width = metrics.horizontalAdvance(run.text);
    }

    double x = 0;
    switch (dc_.textAlign & TA_HORIZONTAL_MASK) {
        case TA_RIGHT:
            x = -width;
            break;
        case TA_CENTER:
            x = -width / 2;
            break;
        default:
            break;
    }
    double y = 0;
    switch (dc_.textAlign & TA_VERTICAL_MASK) {
        case TA_BASELINE:
            break;
        case TA_BOTTOM:
            y = -font->descent;
            break;
        default:
            y = font->ascent;
            break;  // TA_TOP
    }
    step.start = QPointF(x, y);
    step.colour = colour(dc_.textColour);
    if (dc_.backgroundMode == OPAQUE) step.background = colour(dc_.backgroundColour);
    step.opaqueRect = opaqueRect;
    step.opaqueColour = colour(dc_.backgroundColour);
    step.clipRect = clipRect;
    if (font->underline) step.underline = y + font->underlinePos;
    if (font->strikeOut) step.strikeOut = y - font->strikeOutPos;
    step.lineWidth = std::max(font->lineWidth, 0.0);

    if (updateCp) {
        // Left-aligned text moves the position to its end, right-aligned text to its start.
        double along = 0;
        switch (dc_.textAlign & TA_HORIZONTAL_MASK) {
            case TA_RIGHT:
                along = -width;
                break;
            case TA_CENTER:
                break;
            default:
                along = width;
                break;
        }
        bool invertible = false;
        const QTransform back = t.inverted(&invertible);
        if (invertible) dc_.currentPosition = back.map(frame.map(QPointF(along, 0)));
    }

    step.width = width;
    const auto chars = static_cast<std::size_t>(run.text.size());
    if (!afford(cost_.text(chars, emDevice))) return;
    if (!list_.addText(std::move(step), GlyphCache::estimatedBytes(chars))) {
        stop();
        return;
    }
    totalTextChars_ += chars;
    const QRectF box = frame.mapRect(QRectF(x, y - font->ascent, std::max(width, 1.0), cell));
    if (inRangeRect(box)) drawnBounds_ = drawnBounds_.united(box);
}

}  // namespace zarovia::picture::metafile

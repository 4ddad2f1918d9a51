#include "picture/metafile/GlyphCache.h"

#include <QRawFont>
#include <QTextLayout>
#include <QThread>

namespace zarovia::picture::metafile {

namespace {

// Appends the glyphs of `text` with the first one's baseline start at `origin`. Runs of a
// font already present are merged into its run, so a text placed character by character
// keeps one run per font.
void layOut(const QString& text, const QFont& font, QPointF origin, std::vector<QGlyphRun>& out) {
    QTextLayout layout(text, font);
    layout.setCacheEnabled(false);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return;
    }
    line.setLineWidth(1e7);
    layout.endLayout();
    const QPointF shift(origin.x() - line.x(), origin.y() - line.ascent());
    for (QGlyphRun run : layout.glyphRuns()) {
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions) p += shift;
        QGlyphRun* into = nullptr;
        for (QGlyphRun& existing : out)
            if (existing.rawFont() == run.rawFont() && existing.flags() == run.flags())
                into = &existing;
        if (into) {
            into->setGlyphIndexes(into->glyphIndexes() + run.glyphIndexes());
            into->setPositions(into->positions() + positions);
            into->setBoundingRect(QRectF());
        } else {
            run.setPositions(positions);
            run.setBoundingRect(QRectF());
            out.push_back(std::move(run));
        }
    }
}

}  // namespace

std::vector<QGlyphRun> layOutGlyphs(const TextItem& text) {
    std::vector<QGlyphRun> runs;
    if (text.advances.empty()) {
        layOut(text.text, text.font, text.start, runs);
        return runs;
    }
    double at = text.start.x();
    const qsizetype n = text.text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype len = text.text[i].isHighSurrogate() && i + 1 < n ? 2 : 1;
        const QString piece = text.text.mid(i, len);
        if (!piece.trimmed().isEmpty()) layOut(piece, text.font, QPointF(at, text.start.y()), runs);
        for (qsizetype k = i; k < i + len; ++k) {
            const auto u = static_cast<std::size_t>(k);
            if (u < text.advances.size()) at += text.advances[u];
        }
        i += len - 1;
    }
    return runs;
}

namespace {

// Characters a font shows one glyph each, without shaping.
bool simpleCharacter(QChar c) {
    if (c.isSurrogate() || c.isMark() || c.category() == QChar::Other_Format) return false;
    switch (c.script()) {
        case QChar::Script_Common:
        case QChar::Script_Latin:
        case QChar::Script_Greek:
        case QChar::Script_Cyrillic:
        case QChar::Script_Han:
        case QChar::Script_Hiragana:
        case QChar::Script_Katakana:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::vector<QGlyphRun> layOutSimpleGlyphs(const TextItem& text, const QRawFont& font) {
    if (!font.isValid()) return {};
    for (QChar c : text.text)
        if (!simpleCharacter(c)) return {};
    const QList<quint32> indexes = font.glyphIndexesForString(text.text);
    if (indexes.size() != text.text.size()) return {};
    for (quint32 index : indexes)
        if (index == 0) return {};
    QList<QPointF> advances;
    if (text.advances.empty()) advances = font.advancesForGlyphIndexes(indexes);
    QList<quint32> shown;
    QList<QPointF> positions;
    shown.reserve(indexes.size());
    positions.reserve(indexes.size());
    double at = text.start.x();
    for (qsizetype i = 0; i < indexes.size(); ++i) {
        if (!text.text[i].isSpace()) {
            shown.append(indexes[i]);
            positions.append(QPointF(at, text.start.y()));
        }
        const auto k = static_cast<std::size_t>(i);
        at += text.advances.empty() ? advances.value(i).x()
                                    : (k < text.advances.size() ? text.advances[k] : 0.0);
    }
    std::vector<QGlyphRun> runs;
    if (shown.isEmpty()) return runs;
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes(shown);
    run.setPositions(positions);
    runs.push_back(std::move(run));
    return runs;
}

GlyphCache::GlyphCache(std::size_t texts) : runs_(texts), thread_(QThread::currentThread()) {}

bool GlyphCache::servesThisThread() const {
    return thread_ == QThread::currentThread();
}

const std::vector<QGlyphRun>& GlyphCache::runs(const TextItem& text, std::size_t index) {
    static const std::vector<QGlyphRun> none;
    if (index >= runs_.size()) return none;
    std::optional<std::vector<QGlyphRun>>& slot = runs_[index];
    if (!slot) {
        // Most texts need no shaping and no fallback: one glyph per character, placed
        // without a text layout.
        slot = layOutSimpleGlyphs(text, rawFontFor(text.font));
        if (slot->empty() && !text.text.trimmed().isEmpty()) slot = layOutGlyphs(text);
    }
    return *slot;
}

const QRawFont& GlyphCache::rawFontFor(const QFont& font) {
    static const QRawFont none;
    for (const auto& [known, raw] : rawFonts_)
        if (known == font) return raw;
    // A file with very many fonts lays the rest out the slow way.
    constexpr std::size_t kMaxRawFonts = 64;
    if (rawFonts_.size() >= kMaxRawFonts) return none;
    rawFonts_.emplace_back(font, QRawFont::fromFont(font));
    return rawFonts_.back().second;
}

std::int64_t GlyphCache::estimatedBytes(std::size_t characters) {
    // The slot, a run or two with their lists, and an index and a position per glyph.
    constexpr std::int64_t kPerText = 32 + 2 * 320;
    constexpr std::int64_t kPerGlyph = 4 + 16;
    return kPerText + kPerGlyph * static_cast<std::int64_t>(characters);
}

}  // namespace zarovia::picture::metafile

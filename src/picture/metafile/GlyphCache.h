#pragma once

#include "picture/metafile/DrawingSteps.h"

#include <QGlyphRun>
#include <QRawFont>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

class QThread;

namespace zarovia::picture::metafile {

// The glyphs of a text, with its fallback fonts, positioned in text space: the whole run laid
// out at once, or each character at the place the record gives it.
std::vector<QGlyphRun> layOutGlyphs(const TextItem& text);
// The same for text that `font` (the text's own font as a raw font) shows without help: one
// glyph per character, no shaping. Empty when the text needs a fallback font or shaping.
std::vector<QGlyphRun> layOutSimpleGlyphs(const TextItem& text, const QRawFont& font);

// The glyphs of a display list's texts, laid out when each is first drawn and kept for the
// next repaint. Glyph runs hold raw fonts, which belong to the thread that made them, so a
// cache serves only the thread it was made on.
class GlyphCache {
public:
    explicit GlyphCache(std::size_t texts);
    const std::vector<QGlyphRun>& runs(const TextItem& text, std::size_t index);
    bool servesThisThread() const;

    // What each text is expected to cost the cache, for the parser's budget.
    static std::int64_t estimatedBytes(std::size_t characters);

private:
    const QRawFont& rawFontFor(const QFont& font);

    std::vector<std::optional<std::vector<QGlyphRun>>> runs_;
    std::vector<std::pair<QFont, QRawFont>> rawFonts_;
    const QThread* thread_;
};

}  // namespace zarovia::picture::metafile

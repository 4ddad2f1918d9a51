#pragma once

#include "document/rtf/RtfState.h"
#include "platform/SymbolFonts.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <optional>
#include <unordered_map>
#include <vector>

namespace zarovia::document::rtf {

struct FontEntry {
    QString name;
    int charset = -1;  // \fcharset; -1 when not given
    int codePage = 0;  // \cpg; 0 when not given
};

// A character format with a number that stays the same for as long as it is cached, so that
// the writer tells formats apart without comparing them.
struct NumberedCharFormat {
    const QTextCharFormat& format;
    int number;
};

// The font table, the colour table and the document's code page, turned into Qt formats.
// The character formats last built are kept, since runs of text mostly share a few.
class FormatTables {
public:
    static constexpr std::size_t kMaxFonts = 4096;
    static constexpr std::size_t kMaxColors = 4096;

    // Document code page: \ansicpg, else the character set word (\ansi, \mac, \pc, \pca),
    // else Shift-JIS (932).
    void setAnsiCodePage(int codePage) { ansiCodePage_ = codePage; }
    void setCharsetCodePage(int codePage) { charsetCodePage_ = codePage; }
    int documentCodePage() const;
    void setDefaultFont(int font) {
        defaultFont_ = font;
        charCache_.clear();
    }

    // Null when the table is full.
    FontEntry* fontEntry(int number);
    void addColor(std::optional<QColor> color);

    // The code page of text in `chars`: the font's \cpg, else its character set's, else the
    // document's.
    int codePageFor(const CharProps& chars) const;
    // The symbol face of the font of `chars` (Symbol, Wingdings): its codes name symbols.
    SymbolFace symbolFaceFor(const CharProps& chars) const;

    NumberedCharFormat charFormat(const CharProps& chars);
    const QTextBlockFormat& blockFormat(const ParaProps& para);

private:
    const FontEntry* fontFor(const CharProps& chars) const;
    std::optional<QColor> color(int index) const;

    std::unordered_map<int, FontEntry> fonts_;
    std::vector<std::optional<QColor>> colors_;
    int ansiCodePage_ = 0;
    int charsetCodePage_ = 0;
    int defaultFont_ = 0;
    struct CachedCharFormat {
        CharProps chars;
        QTextCharFormat format;
        int number;
    };
    static constexpr std::size_t kCharCacheSize = 16;
    QTextCharFormat buildCharFormat(const CharProps& chars) const;
    std::vector<CachedCharFormat> charCache_;
    std::size_t nextCacheSlot_ = 0;
    int nextFormatNumber_ = 0;
    std::optional<ParaProps> lastPara_;
    QTextBlockFormat lastBlockFormat_;
};

}  // namespace zarovia::document::rtf

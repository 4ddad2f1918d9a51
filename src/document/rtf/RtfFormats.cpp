#include "document/rtf/RtfFormats.h"

#include "platform/FontFaces.h"

#include "platform/CodePage.h"

#include <QFont>
#include <algorithm>

namespace zarovia::document::rtf {

namespace {

// Twips to pixels at 96 dpi, with lengths kept within 22 inches.
double pixels(int twips) {
    return std::clamp(twips, -31680, 31680) / 15.0;
}

QTextCharFormat::UnderlineStyle underlineStyle(UnderlineKind kind) {
    switch (kind) {
        case UnderlineKind::None:
            return QTextCharFormat::NoUnderline;
        case UnderlineKind::Dotted:
            return QTextCharFormat::DotLine;
        case UnderlineKind::Dash:
            return QTextCharFormat::DashUnderline;
        case UnderlineKind::DashDot:
            return QTextCharFormat::DashDotLine;
        case UnderlineKind::DashDotDot:
            return QTextCharFormat::DashDotDotLine;
        case UnderlineKind::Wave:
            return QTextCharFormat::WaveUnderline;
        default:
            return QTextCharFormat::SingleUnderline;
    }
}

Qt::Alignment alignment(Alignment a) {
    switch (a) {
        case Alignment::Right:
            return Qt::AlignRight;
        case Alignment::Center:
            return Qt::AlignHCenter;
        case Alignment::Justify:
            return Qt::AlignJustify;
        default:
            return Qt::AlignLeft;
    }
}

// The Macintosh double-byte code pages are read with their Windows counterparts, which hold
// the same characters at the same byte pairs for all but a few symbols.
int windowsCodePage(int codePage) {
    switch (codePage) {
        case 10001:
            return 932;
        case 10002:
            return 950;
        case 10003:
            return 949;
        case 10008:
            return 936;
        default:
            return codePage;
    }
}

}  // namespace

int FormatTables::documentCodePage() const {
    if (ansiCodePage_ > 0) return windowsCodePage(ansiCodePage_);
    if (charsetCodePage_ > 0) return charsetCodePage_;
    return 932;
}

FontEntry* FormatTables::fontEntry(int number) {
    auto it = fonts_.find(number);
    if (it != fonts_.end()) return &it->second;
    if (fonts_.size() >= kMaxFonts) return nullptr;
    charCache_.clear();
    return &fonts_[number];
}

void FormatTables::addColor(std::optional<QColor> color) {
    if (colors_.size() < kMaxColors) colors_.push_back(color);
    charCache_.clear();
}

const FontEntry* FormatTables::fontFor(const CharProps& chars) const {
    const auto it = fonts_.find(chars.font >= 0 ? chars.font : defaultFont_);
    return it == fonts_.end() ? nullptr : &it->second;
}

std::optional<QColor> FormatTables::color(int index) const {
    if (index <= 0 || index >= static_cast<int>(colors_.size())) return std::nullopt;
    return colors_[static_cast<std::size_t>(index)];
}

int FormatTables::codePageFor(const CharProps& chars) const {
    if (const FontEntry* font = fontFor(chars)) {
        if (font->codePage > 0) return windowsCodePage(font->codePage);
        // Character set 1 is "default" and 2 "symbol": neither names a code page.
        if (font->charset >= 0) {
            if (const int cp = codePageForCharset(font->charset); cp > 0) return cp;
        }
    }
    return documentCodePage();
}

SymbolFace FormatTables::symbolFaceFor(const CharProps& chars) const {
    const FontEntry* font = fontFor(chars);
    return font ? symbolFaceOf(font->name) : SymbolFace::None;
}

NumberedCharFormat FormatTables::charFormat(const CharProps& chars) {
    for (const CachedCharFormat& cached : charCache_) {
        if (cached.chars == chars) return {cached.format, cached.number};
    }
    CachedCharFormat entry{chars, buildCharFormat(chars), ++nextFormatNumber_};
    if (charCache_.size() < kCharCacheSize) {
        charCache_.push_back(std::move(entry));
        return {charCache_.back().format, charCache_.back().number};
    }
    nextCacheSlot_ = (nextCacheSlot_ + 1) % kCharCacheSize;
    charCache_[nextCacheSlot_] = std::move(entry);
    return {charCache_[nextCacheSlot_].format, charCache_[nextCacheSlot_].number};
}

QTextCharFormat FormatTables::buildCharFormat(const CharProps& chars) const {
    QTextCharFormat format;
    if (const FontEntry* font = fontFor(chars); font && !font->name.isEmpty()) {
        // The Windows faces a document names stand in for installed ones, as in metafiles.
        format.setFontFamilies(QStringList{substituteFamily(font->name, font->charset, -1)});
    }
    format.setFontPointSize(std::clamp(chars.fontSizeHalfPoints, 2, 3276) / 2.0);
    format.setFontWeight(chars.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(chars.italic);
    format.setFontStrikeOut(chars.strike);
    format.setUnderlineStyle(underlineStyle(chars.underline));
    if (chars.caps) format.setFontCapitalization(QFont::AllUppercase);
    // "Automatic" text colour is the window text colour of a light page: black.
    format.setForeground(color(chars.foreground).value_or(QColor(Qt::black)));
    const int backgroundIndex = chars.highlight > 0 ? chars.highlight : chars.background;
    if (const auto back = color(backgroundIndex)) format.setBackground(*back);
    if (chars.vertical == VerticalKind::Super || chars.raiseHalfPoints > 0) {
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    } else if (chars.vertical == VerticalKind::Sub || chars.raiseHalfPoints < 0) {
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    }
    return format;
}

const QTextBlockFormat& FormatTables::blockFormat(const ParaProps& para) {
    if (lastPara_ && *lastPara_ == para) return lastBlockFormat_;
    QTextBlockFormat format;
    format.setAlignment(alignment(para.alignment));
    format.setLeftMargin(std::max(0.0, pixels(para.leftIndent)));
    format.setRightMargin(std::max(0.0, pixels(para.rightIndent)));
    format.setTextIndent(pixels(para.firstIndent));
    format.setTopMargin(std::max(0.0, pixels(para.spaceBefore)));
    format.setBottomMargin(std::max(0.0, pixels(para.spaceAfter)));
    if (para.lineSpacing > 0 && para.lineSpacingMultiple) {
        // Multiples of single spacing, 240 twips being one line.
        const double percent = std::clamp(para.lineSpacing * 100.0 / 240.0, 50.0, 500.0);
        format.setLineHeight(percent, QTextBlockFormat::ProportionalHeight);
    } else if (para.lineSpacing > 0) {
        format.setLineHeight(pixels(para.lineSpacing), QTextBlockFormat::MinimumHeight);
    } else if (para.lineSpacing < 0) {
        format.setLineHeight(pixels(-para.lineSpacing), QTextBlockFormat::FixedHeight);
    }
    lastPara_ = para;
    lastBlockFormat_ = format;
    return lastBlockFormat_;
}

}  // namespace zarovia::document::rtf

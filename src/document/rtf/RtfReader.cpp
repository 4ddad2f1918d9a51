#include "document/rtf/RtfReader.h"

#include "document/rtf/RtfControlWords.h"
#include "document/rtf/RtfDocumentWriter.h"
#include "document/rtf/RtfFormats.h"
#include "document/rtf/RtfPictureCollector.h"
#include "document/rtf/RtfState.h"
#include "document/rtf/RtfTokenizer.h"
#include "platform/Cancellation.h"
#include "platform/CodePage.h"

#include <QTextDocument>
#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

namespace zarovia::document {

namespace rtf {
namespace {

constexpr int kMaxLength = 31680;  // 22 inches in twips: the largest length kept
constexpr int kMaxUnicodeSkip = 64;

int length(const Token& t) {
    return std::clamp(t.parameter, -kMaxLength, kMaxLength);
}
bool switchedOn(const Token& t) {
    return !t.hasParameter || t.parameter != 0;
}

// One pass over the tokens with a stack of group states; destinations and control words come
// from the tables in RtfControlWords.
class Reader {
public:
    Reader(std::string_view input, QTextDocument& document, const RtfLimits& limits)
        : tokens_(input),
          writer_(document, limits.maxTextChars),
          limits_(limits),
          picture_(limits) {}

    void run();

private:
    GroupState& state() { return stack_.back(); }

    void groupStart();
    void groupEnd();
    void word(const Token& t);
    void bodyWord(const Token& t, Word w);
    void tableWord(const Token& t, Word w);
    void controlSymbol(char symbol);
    void text(std::string_view bytes);
    void hexByte(unsigned char byte);
    bool skipsToken(Token& t);

    void enterDestination(Destination d);
    void appendBytes(std::string_view bytes);
    void flushBytes();
    void emitText(QStringView text);
    void emitUnicode(int value);
    void endParagraph();
    void ensureDepth();
    void finishPicture();
    void commitFontName();
    void skipBinary(const Token& t);

    Tokenizer tokens_;
    DocumentWriter writer_;
    FormatTables formats_;
    RtfLimits limits_;
    std::vector<GroupState> stack_;
    bool finished_ = false;  // the document's group has closed
    int overflowDepth_ = 0;
    bool ignorable_ = false;  // \* seen: the next word names a destination to skip if unknown
    int unicodeSkipLeft_ = 0;
    char16_t pendingHighSurrogate_ = 0;

    QByteArray pendingBytes_;
    CharProps pendingBytesProps_;
    int pendingBytesCodePage_ = 0;

    int currentFont_ = -1;  // the entry \f names inside the font table
    QByteArray fontNameBytes_;
    QString fontNameUnicode_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorGiven_ = false;

    RowDefinition row_;

    PictureCollector picture_;
};

void Reader::run() {
    stack_.reserve(64);
    // A checkpoint every few thousand tokens: a long document the user has left stops soon.
    std::uint32_t tokens = 0;
    for (;;) {
        if ((++tokens & 0xFFF) == 0) checkpoint();
        Token t = tokens_.next();
        if (t.kind == TokenKind::End) break;
        if (overflowDepth_ > 0) {
            // Inside groups past the depth limit: only braces and binary data count.
            if (t.kind == TokenKind::GroupStart) ++overflowDepth_;
            if (t.kind == TokenKind::GroupEnd) --overflowDepth_;
            if (t.kind == TokenKind::ControlWord && t.text == "bin") skipBinary(t);
            continue;
        }
        if (unicodeSkipLeft_ > 0 && skipsToken(t)) continue;
        if (t.kind != TokenKind::ControlWord) ignorable_ = false;
        switch (t.kind) {
            case TokenKind::GroupStart:
                groupStart();
                break;
            case TokenKind::GroupEnd:
                groupEnd();
                break;
            case TokenKind::ControlWord:
                word(t);
                break;
            case TokenKind::ControlSymbol:
                controlSymbol(t.symbol);
                break;
            case TokenKind::HexByte:
                hexByte(t.byte);
                break;
            case TokenKind::Text:
                text(t.text);
                break;
            case TokenKind::End:
                break;
        }
        // Text after the document's closing brace is not part of it.
        if (finished_) break;
        if (writer_.textLimitReached()) break;
    }
    flushBytes();
    if (pendingHighSurrogate_) emitUnicode(-1);
    writer_.finish(formats_.blockFormat(stack_.empty() ? ParaProps{} : state().para));
    stack_.clear();
}

// The characters after \u that stand in for it: each byte, \'hh, control word or symbol
// counts one; a brace ends the count.
bool Reader::skipsToken(Token& t) {
    switch (t.kind) {
        case TokenKind::Text: {
            const auto n =
                std::min<std::size_t>(t.text.size(), static_cast<std::size_t>(unicodeSkipLeft_));
            unicodeSkipLeft_ -= static_cast<int>(n);
            t.text.remove_prefix(n);
            return t.text.empty();
        }
        case TokenKind::ControlWord:
            if (t.text == "bin") skipBinary(t);
            --unicodeSkipLeft_;
            return true;
        case TokenKind::HexByte:
        case TokenKind::ControlSymbol:
            --unicodeSkipLeft_;
            return true;
        default:
            unicodeSkipLeft_ = 0;
            return false;
    }
}

void Reader::groupStart() {
    if (static_cast<int>(stack_.size()) >= limits_.maxGroupDepth) {
        overflowDepth_ = 1;
        return;
    }
    stack_.push_back(stack_.empty() ? GroupState{} : state());
    unicodeSkipLeft_ = 0;
}

void Reader::groupEnd() {
    if (stack_.empty()) return;
    if (stack_.size() == 1) {
        // The document's own group stays, so what is still pending is written in its state.
        finished_ = true;
        return;
    }
    const GroupState closing = state();
    if (closing.destination == Destination::FontTable) commitFontName();
    stack_.pop_back();
    unicodeSkipLeft_ = 0;
    if (closing.destination == Destination::Picture &&
        (stack_.empty() || state().destination != Destination::Picture)) {
        finishPicture();
    }
}

void Reader::enterDestination(Destination d) {
    GroupState& s = state();
    if (d == Destination::UnicodeRestore) {
        if (s.inAlternative) s.destination = s.beforeAlternative;
        s.inAlternative = false;
        return;
    }
    if (s.destination == Destination::Skip || d == Destination::Transparent) return;
    switch (d) {
        case Destination::UnicodeAlternative:
            s.beforeAlternative = s.destination;
            s.inAlternative = true;
            s.destination = Destination::Skip;
            break;
        case Destination::Picture:
            if (s.destination != Destination::Body) {
                s.destination = Destination::Skip;
                break;
            }
            flushBytes();
            s.destination = Destination::Picture;
            picture_.start();
            break;
        default:
            s.destination = d;
            break;
    }
}

void Reader::word(const Token& t) {
    if (stack_.empty()) return;
    const ControlWordEntry* entry = findControlWord(t.text);
    if (ignorable_) {
        ignorable_ = false;
        if (!entry || entry->wordClass != WordClass::Destination) {
            if (t.text == "bin") skipBinary(t);
            enterDestination(Destination::Skip);
            return;
        }
    }
    if (!entry) return;
    if (entry->wordClass == WordClass::Destination) {
        enterDestination(entry->destination);
        return;
    }
    if (entry->wordClass == WordClass::Property && entry->word == Word::Binary) {
        if (state().destination == Destination::Picture) {
            picture_.appendData(tokens_.takeBinary(t.parameter));
        } else {
            skipBinary(t);
        }
        return;
    }
    switch (state().destination) {
        case Destination::Body:
            if (entry->wordClass == WordClass::Symbol) {
                flushBytes();
                const char16_t c = entry->symbol;
                if (!state().chars.hidden) emitText(QStringView(&c, 1));
            } else {
                bodyWord(t, entry->word);
            }
            break;
        case Destination::Picture:
            if (entry->wordClass == WordClass::Property) {
                picture_.setProperty(entry->word, t.hasParameter ? t.parameter : 0);
            }
            break;
        case Destination::FontTable:
            if (entry->word == Word::Font && entry->wordClass == WordClass::Property) {
                commitFontName();
                currentFont_ = t.parameter;
            } else if (entry->word == Word::FontCharset &&
                       entry->wordClass == WordClass::Property) {
                if (FontEntry* f = formats_.fontEntry(currentFont_)) f->charset = t.parameter;
            } else if (entry->word == Word::FontCodePage &&
                       entry->wordClass == WordClass::Property) {
                if (FontEntry* f = formats_.fontEntry(currentFont_)) f->codePage = t.parameter;
            } else if (entry->word == Word::Unicode && entry->wordClass == WordClass::Property) {
                const int v = t.parameter < 0 ? t.parameter + 65536 : t.parameter;
                if (v > 0 && v < 65536) fontNameUnicode_ += QChar(static_cast<char16_t>(v));
                unicodeSkipLeft_ = state().unicodeSkip;
            }
            break;
        case Destination::ColorTable:
            if (entry->wordClass != WordClass::Property) break;
            if (entry->word == Word::Red) red_ = std::clamp(t.parameter, 0, 255);
            if (entry->word == Word::Green) green_ = std::clamp(t.parameter, 0, 255);
            if (entry->word == Word::Blue) blue_ = std::clamp(t.parameter, 0, 255);
            if (entry->word == Word::Red || entry->word == Word::Green ||
                entry->word == Word::Blue) {
                colorGiven_ = true;
            }
            break;
        default:
            break;
    }
}

void Reader::bodyWord(const Token& t, Word w) {
    GroupState& s = state();
    CharProps& c = s.chars;
    ParaProps& p = s.para;
    switch (w) {
        case Word::Ansi:
            formats_.setCharsetCodePage(1252);
            break;
        case Word::Mac:
            formats_.setCharsetCodePage(10000);
            break;
        case Word::Pc:
            formats_.setCharsetCodePage(437);
            break;
        case Word::Pca:
            formats_.setCharsetCodePage(850);
            break;
        case Word::AnsiCodePage:
            formats_.setAnsiCodePage(std::max(0, t.parameter));
            break;
        case Word::DefaultFont:
            formats_.setDefaultFont(t.parameter);
            break;
        case Word::UnicodeSkip:
            s.unicodeSkip = std::clamp(t.hasParameter ? t.parameter : 1, 0, kMaxUnicodeSkip);
            break;
        case Word::Unicode:
            if (t.hasParameter) {
                flushBytes();
                if (!c.hidden) emitUnicode(t.parameter < 0 ? t.parameter + 65536 : t.parameter);
            }
            unicodeSkipLeft_ = s.unicodeSkip;
            break;
        case Word::Plain:
            c = CharProps{};
            break;
        case Word::Bold:
            c.bold = switchedOn(t);
            break;
        case Word::Italic:
            c.italic = switchedOn(t);
            break;
        case Word::Strike:
        case Word::StrikeDouble:
            c.strike = switchedOn(t);
            break;
        case Word::Hidden:
            c.hidden = switchedOn(t);
            break;
        case Word::Caps:
        case Word::SmallCaps:
            c.caps = switchedOn(t);
            break;
        case Word::Underline:
            c.underline = switchedOn(t) ? UnderlineKind::Single : UnderlineKind::None;
            break;
        case Word::UnderlineNone:
            c.underline = UnderlineKind::None;
            break;
        case Word::UnderlineDotted:
            c.underline = UnderlineKind::Dotted;
            break;
        case Word::UnderlineDouble:
            c.underline = UnderlineKind::Double;
            break;
        case Word::UnderlineWords:
            c.underline = UnderlineKind::Words;
            break;
        case Word::UnderlineWave:
            c.underline = UnderlineKind::Wave;
            break;
        case Word::UnderlineDash:
            c.underline = UnderlineKind::Dash;
            break;
        case Word::UnderlineDashDot:
            c.underline = UnderlineKind::DashDot;
            break;
        case Word::UnderlineDashDotDot:
            c.underline = UnderlineKind::DashDotDot;
            break;
        case Word::UnderlineThick:
            c.underline = UnderlineKind::Thick;
            break;
        case Word::FontSize:
            c.fontSizeHalfPoints = t.hasParameter ? std::clamp(t.parameter, 2, 3276) : 24;
            break;
        case Word::Foreground:
            c.foreground = std::max(0, t.parameter);
            break;
        case Word::Background:
        case Word::Shading:
            c.background = std::max(0, t.parameter);
            break;
        case Word::Highlight:
            c.highlight = std::max(0, t.parameter);
            break;
        case Word::Super:
            c.vertical = VerticalKind::Super;
            break;
        case Word::Sub:
            c.vertical = VerticalKind::Sub;
            break;
        case Word::NoSuperSub:
            c.vertical = VerticalKind::Normal;
            c.raiseHalfPoints = 0;
            break;
        case Word::Up:
            c.raiseHalfPoints = t.hasParameter ? std::clamp(t.parameter, 0, 3276) : 6;
            break;
        case Word::Down:
            c.raiseHalfPoints = -(t.hasParameter ? std::clamp(t.parameter, 0, 3276) : 6);
            break;
        case Word::Font:
            c.font = std::max(0, t.parameter);
            break;
        case Word::ParagraphDefault:
            p = ParaProps{};
            break;
        case Word::AlignLeft:
            p.alignment = Alignment::Left;
            break;
        case Word::AlignRight:
            p.alignment = Alignment::Right;
            break;
        case Word::AlignCenter:
            p.alignment = Alignment::Center;
            break;
        case Word::AlignJustify:
        case Word::AlignDistribute:
            p.alignment = Alignment::Justify;
            break;
        case Word::LeftIndent:
            p.leftIndent = length(t);
            break;
        case Word::RightIndent:
            p.rightIndent = length(t);
            break;
        case Word::FirstIndent:
            p.firstIndent = length(t);
            break;
        case Word::SpaceBefore:
            p.spaceBefore = length(t);
            break;
        case Word::SpaceAfter:
            p.spaceAfter = length(t);
            break;
        case Word::LineSpacing:
            p.lineSpacing = length(t);
            break;
        case Word::LineSpacingMultiple:
            p.lineSpacingMultiple = switchedOn(t);
            break;
        case Word::Paragraph:
        case Word::Section:
            endParagraph();
            break;
        case Word::Page:
            endParagraph();
            writer_.requestPageBreak();
            break;
        default:
            tableWord(t, w);
            break;
    }
}

void Reader::tableWord(const Token& t, Word w) {
    ParaProps& p = state().para;
    switch (w) {
        case Word::InTable:
            p.inTable = true;
            break;
        case Word::TableDepth:
            p.tableDepth = std::clamp(t.parameter, 0, DocumentWriter::kMaxTableDepth);
            break;
        case Word::RowDefault:
            row_ = RowDefinition{};
            break;
        case Word::RowLeft:
            row_.left = length(t);
            break;
        case Word::CellRight:
            if (row_.cellRight.size() < static_cast<std::size_t>(DocumentWriter::kMaxColumns)) {
                row_.cellRight.push_back(length(t));
            }
            break;
        case Word::Cell:
            flushBytes();
            writer_.endCell(1, formats_.blockFormat(p));
            break;
        case Word::NestedCell:
            flushBytes();
            writer_.endCell(std::max(2, p.requestedDepth()), formats_.blockFormat(p));
            break;
        case Word::Row:
            flushBytes();
            writer_.endRow(1, row_);
            break;
        case Word::NestedRow:
            flushBytes();
            writer_.endRow(std::max(2, p.requestedDepth()), row_);
            break;
        default:
            break;
    }
}

void Reader::skipBinary(const Token& t) {
    tokens_.takeBinary(t.hasParameter ? t.parameter : 0);
}

void Reader::controlSymbol(char symbol) {
    if (stack_.empty()) return;
    if (symbol == '*') {
        ignorable_ = true;
        return;
    }
    const Destination d = state().destination;
    if (symbol == '\\' || symbol == '{' || symbol == '}') {
        text(std::string_view(&symbol, 1));
        return;
    }
    if (d != Destination::Body) return;
    switch (symbol) {
        case '~':
            flushBytes();
            emitText(u"\u00A0");
            break;
        case '_':
            flushBytes();
            emitText(u"\u2011");
            break;
        case '\t':
            flushBytes();
            emitText(u"\t");
            break;
        case '\r':
        case '\n':
            endParagraph();
            break;
        default:
            break;  // \- (optional hyphen), \: and \| carry nothing to show
    }
}

void Reader::text(std::string_view bytes) {
    if (stack_.empty()) return;
    switch (state().destination) {
        case Destination::Body:
            appendBytes(bytes);
            break;
        case Destination::FontTable:
            for (char b : bytes) {
                if (b == ';') {
                    commitFontName();
                } else if (fontNameBytes_.size() < 256) {
                    fontNameBytes_ += b;
                }
            }
            break;
        case Destination::ColorTable:
            for (char b : bytes) {
                if (b != ';') continue;
                formats_.addColor(colorGiven_ ? std::optional<QColor>(QColor(red_, green_, blue_))
                                              : std::nullopt);
                red_ = green_ = blue_ = 0;
                colorGiven_ = false;
            }
            break;
        case Destination::Picture:
            picture_.appendHex(bytes);
            break;
        default:
            break;
    }
}

void Reader::hexByte(unsigned char byte) {
    if (stack_.empty()) return;
    const char b = static_cast<char>(byte);
    switch (state().destination) {
        case Destination::Body:
            appendBytes(std::string_view(&b, 1));
            break;
        case Destination::FontTable:
            if (fontNameBytes_.size() < 256) fontNameBytes_ += b;
            break;
        default:
            break;
    }
}

void Reader::appendBytes(std::string_view bytes) {
    const CharProps& chars = state().chars;
    if (chars.hidden) return;
    const int codePage = formats_.codePageFor(chars);
    if (!pendingBytes_.isEmpty() &&
        (codePage != pendingBytesCodePage_ || !(chars == pendingBytesProps_))) {
        flushBytes();
    }
    if (pendingBytes_.isEmpty()) {
        pendingBytesProps_ = chars;
        pendingBytesCodePage_ = codePage;
    }
    pendingBytes_.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void Reader::flushBytes() {
    if (pendingBytes_.isEmpty()) return;
    const bool ascii = std::all_of(pendingBytes_.cbegin(), pendingBytes_.cend(),
                                   [](char b) { return static_cast<unsigned char>(b) < 0x80; });
    // Double-byte code pages join lead and trail bytes here, whether they came as text or
    // as \'hh pairs; a pair the code page does not accept becomes a replacement character.
    // The bytes of a symbol font are its codes, not characters of a code page.
    const SymbolFace face = formats_.symbolFaceFor(pendingBytesProps_);
    const QString decoded = face != SymbolFace::None
                                ? mapSymbolFaceText(face, QString::fromLatin1(pendingBytes_))
                            : ascii ? QString::fromLatin1(pendingBytes_)
                                    : decodeCodePage(pendingBytes_, pendingBytesCodePage_);
    pendingBytes_.clear();
    if (pendingHighSurrogate_) emitUnicode(-1);
    ensureDepth();
    const NumberedCharFormat format = formats_.charFormat(pendingBytesProps_);
    writer_.setCharFormat(format.format, format.number);
    writer_.appendText(decoded);
}

void Reader::emitText(QStringView text) {
    if (pendingHighSurrogate_) emitUnicode(-1);
    ensureDepth();
    const NumberedCharFormat format = formats_.charFormat(state().chars);
    writer_.setCharFormat(format.format, format.number);
    const SymbolFace face = formats_.symbolFaceFor(state().chars);
    if (face == SymbolFace::None) {
        writer_.appendText(text);
        return;
    }
    const QString mapped = mapSymbolFaceText(face, text.toString());
    writer_.appendText(mapped);
}

// A UTF-16 unit from \u; surrogate halves are joined, a lone half becomes U+FFFD. -1 ends a
// waiting high surrogate.
void Reader::emitUnicode(int value) {
    const bool high = value >= 0xD800 && value <= 0xDBFF;
    const bool low = value >= 0xDC00 && value <= 0xDFFF;
    if (pendingHighSurrogate_) {
        const char16_t first = pendingHighSurrogate_;
        pendingHighSurrogate_ = 0;
        if (low) {
            const char16_t pair[2] = {first, static_cast<char16_t>(value)};
            emitText(QStringView(pair, 2));
            return;
        }
        emitText(u"\uFFFD");
    }
    if (value < 0) return;
    if (high) {
        pendingHighSurrogate_ = static_cast<char16_t>(value);
        return;
    }
    const char16_t unit = (low || value > 0xFFFF) ? u'\uFFFD' : static_cast<char16_t>(value);
    emitText(QStringView(&unit, 1));
}

void Reader::ensureDepth() {
    writer_.ensureTableDepth(stack_.empty() ? 0 : state().para.requestedDepth());
}

void Reader::endParagraph() {
    flushBytes();
    if (pendingHighSurrogate_) emitUnicode(-1);
    ensureDepth();
    writer_.endParagraph(formats_.blockFormat(state().para));
}

void Reader::commitFontName() {
    if (fontNameBytes_.isEmpty() && fontNameUnicode_.isEmpty()) return;
    if (FontEntry* font = formats_.fontEntry(currentFont_)) {
        int codePage = font->codePage;
        if (codePage <= 0 && font->charset >= 0) codePage = codePageForCharset(font->charset);
        if (codePage <= 0) codePage = formats_.documentCodePage();
        font->name = (decodeCodePage(fontNameBytes_, codePage) + fontNameUnicode_).trimmed();
    }
    fontNameBytes_.clear();
    fontNameUnicode_.clear();
}

void Reader::finishPicture() {
    const std::optional<DecodedPicture> picture = picture_.finish();
    if (!picture) return;
    ensureDepth();
    const NumberedCharFormat format = formats_.charFormat(state().chars);
    writer_.setCharFormat(format.format, format.number);
    writer_.insertImage(picture->image, picture->shownSize);
}

}  // namespace
}  // namespace rtf

bool looksLikeRtf(const QByteArray& bytes) {
    return bytes.startsWith("{\\rtf");
}

bool readRtf(const QByteArray& bytes, QTextDocument& document, const RtfLimits& limits) {
    if (!looksLikeRtf(bytes)) return false;
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    {
        rtf::Reader reader(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), document,
            limits);
        reader.run();
    }
    document.setUndoRedoEnabled(undo);
    return true;
}

}  // namespace zarovia::document

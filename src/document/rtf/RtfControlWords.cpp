#include "document/rtf/RtfControlWords.h"

#include <algorithm>
#include <array>

namespace zarovia::document::rtf {

namespace {

constexpr ControlWordEntry dest(std::string_view name, Destination d) {
    return {name, WordClass::Destination, d, Word::Ansi, 0};
}
constexpr ControlWordEntry skip(std::string_view name) {
    return dest(name, Destination::Skip);
}
constexpr ControlWordEntry through(std::string_view name) {
    return dest(name, Destination::Transparent);
}
constexpr ControlWordEntry symbol(std::string_view name, char16_t c) {
    return {name, WordClass::Symbol, Destination::Body, Word::Ansi, c};
}
constexpr ControlWordEntry prop(std::string_view name, Word w) {
    return {name, WordClass::Property, Destination::Body, w, 0};
}

// Every control word the reader acts on. Words not listed are ignored with their parameter;
// unknown destinations marked with \* are skipped whole.
constexpr auto kTable = [] {
    std::array table{
        // Destinations whose content is never shown in the body.
        skip("aftncn"),
        skip("aftnsep"),
        skip("aftnsepc"),
        skip("annotation"),
        skip("atnauthor"),
        skip("atndate"),
        skip("atnicn"),
        skip("atnid"),
        skip("atnparent"),
        skip("atnref"),
        skip("atntime"),
        skip("atrfend"),
        skip("atrfstart"),
        skip("author"),
        skip("bkmkend"),
        skip("bkmkstart"),
        skip("blipuid"),
        skip("buptim"),
        skip("category"),
        skip("colorschememapping"),
        skip("comment"),
        skip("company"),
        skip("creatim"),
        skip("datafield"),
        skip("datastore"),
        skip("do"),
        skip("doccomm"),
        skip("docvar"),
        skip("factoidname"),
        skip("falt"),
        skip("fchars"),
        skip("ffdeftext"),
        skip("ffentrymcr"),
        skip("ffexitmcr"),
        skip("ffformat"),
        skip("ffhelptext"),
        skip("ffl"),
        skip("ffname"),
        skip("ffstattext"),
        skip("fldinst"),
        skip("fname"),
        skip("footer"),
        skip("footerf"),
        skip("footerl"),
        skip("footerr"),
        skip("footnote"),
        skip("formfield"),
        skip("ftncn"),
        skip("ftnsep"),
        skip("ftnsepc"),
        skip("generator"),
        skip("header"),
        skip("headerf"),
        skip("headerl"),
        skip("headerr"),
        skip("hlinkbase"),
        skip("info"),
        skip("keycode"),
        skip("keywords"),
        skip("latentstyles"),
        skip("lchars"),
        skip("listoverridetable"),
        skip("listpicture"),
        skip("listtable"),
        skip("manager"),
        skip("mmathPr"),
        skip("nonesttables"),
        skip("nonshppict"),
        skip("objclass"),
        skip("objdata"),
        skip("objname"),
        skip("operator"),
        skip("panose"),
        skip("passwordhash"),
        skip("pgdsctbl"),
        skip("picprop"),
        skip("pn"),
        skip("pnseclvl"),
        skip("pntxta"),
        skip("pntxtb"),
        skip("printim"),
        skip("private"),
        skip("propname"),
        skip("protusertbl"),
        skip("revtbl"),
        skip("revtim"),
        skip("rsidtbl"),
        skip("shpinst"),
        skip("sp"),
        skip("staticval"),
        skip("stylesheet"),
        skip("subject"),
        skip("tc"),
        skip("template"),
        skip("themedata"),
        skip("title"),
        skip("txe"),
        skip("userprops"),
        skip("wgrffmtfilter"),
        skip("xe"),
        skip("xmlnstbl"),
        skip("xmlopen"),
        // Destinations whose content belongs to the surrounding text.
        through("field"),
        through("fldrslt"),
        through("listtext"),
        through("nesttableprops"),
        through("object"),
        through("pntext"),
        through("result"),
        through("shp"),
        through("shppict"),
        through("shprslt"),
        dest("colortbl", Destination::ColorTable),
        dest("fonttbl", Destination::FontTable),
        dest("pict", Destination::Picture),
        dest("ud", Destination::UnicodeRestore),
        dest("upr", Destination::UnicodeAlternative),
        // Characters.
        symbol("bullet", u'\u2022'),
        symbol("emdash", u'\u2014'),
        symbol("emspace", u'\u2003'),
        symbol("endash", u'\u2013'),
        symbol("enspace", u'\u2002'),
        symbol("ldblquote", u'\u201C'),
        symbol("line", u'\u2028'),
        symbol("lquote", u'\u2018'),
        symbol("ltrmark", u'\u200E'),
        symbol("qmspace", u'\u2005'),
        symbol("rdblquote", u'\u201D'),
        symbol("rquote", u'\u2019'),
        symbol("rtlmark", u'\u200F'),
        symbol("tab", u'\t'),
        symbol("zwbo", u'\u200B'),
        symbol("zwj", u'\u200D'),
        symbol("zwnj", u'\u200C'),
        // Document.
        prop("ansi", Word::Ansi),
        prop("ansicpg", Word::AnsiCodePage),
        prop("bin", Word::Binary),
        prop("deff", Word::DefaultFont),
        prop("mac", Word::Mac),
        prop("pc", Word::Pc),
        prop("pca", Word::Pca),
        prop("u", Word::Unicode),
        prop("uc", Word::UnicodeSkip),
        // Characters' format.
        prop("b", Word::Bold),
        prop("caps", Word::Caps),
        prop("cb", Word::Background),
        prop("cf", Word::Foreground),
        prop("chcbpat", Word::Shading),
        prop("deleted", Word::Deleted),
        prop("dn", Word::Down),
        prop("f", Word::Font),
        prop("fs", Word::FontSize),
        prop("highlight", Word::Highlight),
        prop("i", Word::Italic),
        prop("nosupersub", Word::NoSuperSub),
        prop("plain", Word::Plain),
        prop("scaps", Word::SmallCaps),
        prop("strike", Word::Strike),
        prop("striked", Word::StrikeDouble),
        prop("sub", Word::Sub),
        prop("super", Word::Super),
        prop("ul", Word::Underline),
        prop("uld", Word::UnderlineDotted),
        prop("uldash", Word::UnderlineDash),
        prop("uldashd", Word::UnderlineDashDot),
        prop("uldashdd", Word::UnderlineDashDotDot),
        prop("uldb", Word::UnderlineDouble),
        prop("ulhwave", Word::UnderlineWave),
        prop("ulldash", Word::UnderlineDash),
        prop("ulnone", Word::UnderlineNone),
        prop("ulth", Word::UnderlineThick),
        prop("ulthd", Word::UnderlineDotted),
        prop("ulthdash", Word::UnderlineDash),
        prop("ululdbwave", Word::UnderlineWave),
        prop("ulw", Word::UnderlineWords),
        prop("ulwave", Word::UnderlineWave),
        prop("up", Word::Up),
        prop("v", Word::Hidden),
        // Paragraphs.
        prop("fi", Word::FirstIndent),
        prop("intbl", Word::InTable),
        prop("itap", Word::TableDepth),
        prop("li", Word::LeftIndent),
        prop("lin", Word::LeftIndent),
        prop("pard", Word::ParagraphDefault),
        prop("qc", Word::AlignCenter),
        prop("qd", Word::AlignDistribute),
        prop("qj", Word::AlignJustify),
        prop("ql", Word::AlignLeft),
        prop("qr", Word::AlignRight),
        prop("ri", Word::RightIndent),
        prop("rin", Word::RightIndent),
        prop("sa", Word::SpaceAfter),
        prop("sb", Word::SpaceBefore),
        prop("sl", Word::LineSpacing),
        prop("slmult", Word::LineSpacingMultiple),
        // Structure.
        prop("cell", Word::Cell),
        prop("cellx", Word::CellRight),
        prop("nestcell", Word::NestedCell),
        prop("nestrow", Word::NestedRow),
        prop("page", Word::Page),
        prop("par", Word::Paragraph),
        prop("row", Word::Row),
        prop("sect", Word::Section),
        prop("trleft", Word::RowLeft),
        prop("trowd", Word::RowDefault),
        // Tables of fonts and colours.
        prop("blue", Word::Blue),
        prop("cpg", Word::FontCodePage),
        prop("fcharset", Word::FontCharset),
        prop("green", Word::Green),
        prop("red", Word::Red),
        // Pictures.
        prop("dibitmap", Word::DeviceIndependentBitmap),
        prop("emfblip", Word::EmfBlip),
        prop("jpegblip", Word::JpegBlip),
        prop("macpict", Word::MacPicture),
        prop("pich", Word::PictureHeight),
        prop("pichgoal", Word::PictureGoalHeight),
        prop("picscalex", Word::PictureScaleX),
        prop("picscaley", Word::PictureScaleY),
        prop("picw", Word::PictureWidth),
        prop("picwgoal", Word::PictureGoalWidth),
        prop("pmmetafile", Word::OS2Metafile),
        prop("pngblip", Word::PngBlip),
        prop("wbitmap", Word::DeviceBitmap),
        prop("wmetafile", Word::WindowsMetafile),
    };
    std::sort(table.begin(), table.end(),
              [](const ControlWordEntry& a, const ControlWordEntry& b) { return a.name < b.name; });
    return table;
}();

}  // namespace

const ControlWordEntry* findControlWord(std::string_view name) {
    const auto it = std::lower_bound(
        kTable.begin(), kTable.end(), name,
        [](const ControlWordEntry& entry, std::string_view key) { return entry.name < key; });
    if (it == kTable.end() || it->name != name) return nullptr;
    return &*it;
}

std::span<const ControlWordEntry> controlWordTable() {
    return kTable;
}

}  // namespace zarovia::document::rtf

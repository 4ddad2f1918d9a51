#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zarovia::document::rtf {

// Where the text of a group goes.
enum class Destination : std::uint8_t {
    Body,         // the document
    Skip,         // nowhere: headers, footnotes, document information, unknown \* groups
    FontTable,    // font entries: number, character set, code page, name
    ColorTable,   // colour entries
    Picture,      // hexadecimal or \bin picture data
    Transparent,  // keeps the enclosing destination (fields, field results, list text, shapes)
    UnicodeAlternative,  // \upr: its plain part is skipped, its \ud part is read
    UnicodeRestore,      // \ud: back to the destination outside \upr
};

// Control words with an effect on a property or the structure.
enum class Word : std::uint16_t {
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    UnicodeSkip,
    Unicode,
    Binary,
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    UnderlineDotted,
    UnderlineDouble,
    UnderlineWords,
    UnderlineWave,
    UnderlineDash,
    UnderlineDashDot,
    UnderlineDashDotDot,
    UnderlineThick,
    Strike,
    StrikeDouble,
    FontSize,
    Foreground,
    Background,
    Shading,
    Highlight,
    Super,
    Sub,
    NoSuperSub,
    Up,
    Down,
    Font,
    Hidden,
    Caps,
    SmallCaps,
    Deleted,
    ParagraphDefault,
    AlignLeft,
    AlignRight,
    AlignCenter,
    AlignJustify,
    AlignDistribute,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    LineSpacing,
    LineSpacingMultiple,
    InTable,
    TableDepth,
    RowDefault,
    CellRight,
    RowLeft,
    Paragraph,
    Section,
    Page,
    Cell,
    NestedCell,
    Row,
    NestedRow,
    Red,
    Green,
    Blue,
    FontCharset,
    FontCodePage,
    PngBlip,
    JpegBlip,
    EmfBlip,
    WindowsMetafile,
    DeviceIndependentBitmap,
    DeviceBitmap,
    MacPicture,
    OS2Metafile,
    PictureWidth,
    PictureHeight,
    PictureGoalWidth,
    PictureGoalHeight,
    PictureScaleX,
    PictureScaleY,
};

enum class WordClass : std::uint8_t { Destination, Symbol, Property };

struct ControlWordEntry {
    std::string_view name;
    WordClass wordClass;
    Destination destination;  // WordClass::Destination
    Word word;                // WordClass::Property
    char16_t symbol;          // WordClass::Symbol: the character it stands for
};

// The entry for a control word, or null for a word the reader ignores.
const ControlWordEntry* findControlWord(std::string_view name);

// The whole table, sorted by name.
std::span<const ControlWordEntry> controlWordTable();

}  // namespace zarovia::document::rtf

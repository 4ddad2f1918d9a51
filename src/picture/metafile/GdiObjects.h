#pragma once

#include "platform/SymbolFonts.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QString>
#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

// The graphics objects a metafile creates, selects and deletes, as the records describe them.
namespace zarovia::picture::metafile {

// Pen styles (low nibble), end caps, joins and type.
inline constexpr std::uint32_t PS_SOLID = 0;
inline constexpr std::uint32_t PS_DASH = 1;
inline constexpr std::uint32_t PS_DOT = 2;
inline constexpr std::uint32_t PS_DASHDOT = 3;
inline constexpr std::uint32_t PS_DASHDOTDOT = 4;
inline constexpr std::uint32_t PS_NULL = 5;
inline constexpr std::uint32_t PS_INSIDEFRAME = 6;
inline constexpr std::uint32_t PS_USERSTYLE = 7;
inline constexpr std::uint32_t PS_ALTERNATE = 8;
inline constexpr std::uint32_t PS_STYLE_MASK = 0x0000000F;
inline constexpr std::uint32_t PS_ENDCAP_SQUARE = 0x00000100;
inline constexpr std::uint32_t PS_ENDCAP_FLAT = 0x00000200;
inline constexpr std::uint32_t PS_ENDCAP_MASK = 0x00000F00;
inline constexpr std::uint32_t PS_JOIN_BEVEL = 0x00001000;
inline constexpr std::uint32_t PS_JOIN_MITER = 0x00002000;
inline constexpr std::uint32_t PS_JOIN_MASK = 0x0000F000;
inline constexpr std::uint32_t PS_GEOMETRIC = 0x00010000;

// Brush styles and hatches.
inline constexpr std::uint32_t BS_SOLID = 0;
inline constexpr std::uint32_t BS_NULL = 1;
inline constexpr std::uint32_t BS_HATCHED = 2;
inline constexpr std::uint32_t BS_PATTERN = 3;
inline constexpr std::uint32_t BS_DIBPATTERN = 5;
inline constexpr std::uint32_t BS_DIBPATTERNPT = 6;
inline constexpr std::uint32_t HS_HORIZONTAL = 0;
inline constexpr std::uint32_t HS_VERTICAL = 1;
inline constexpr std::uint32_t HS_FDIAGONAL = 2;
inline constexpr std::uint32_t HS_BDIAGONAL = 3;
inline constexpr std::uint32_t HS_CROSS = 4;
inline constexpr std::uint32_t HS_DIAGCROSS = 5;

// Character sets that matter here.
inline constexpr int ANSI_CHARSET = 0;
inline constexpr int DEFAULT_CHARSET = 1;
inline constexpr int SYMBOL_CHARSET = 2;
inline constexpr int SHIFTJIS_CHARSET = 128;

// A colour reference as stored: 0x00bbggrr, or a palette index when the top byte is 1.
struct ColourRef {
    std::uint32_t value = 0;
    bool isPaletteIndex() const { return (value >> 24) == 0x01; }
    std::uint16_t paletteIndex() const { return static_cast<std::uint16_t>(value & 0xFFFF); }
    QColor rgb() const {
        return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                      static_cast<int>((value >> 16) & 0xFF));
    }
};

struct LogPen {
    std::uint32_t style = PS_SOLID;
    double width = 0;  // logical units; 0 is one device pixel whatever the mapping
    ColourRef colour;
    std::vector<double> userDashes;  // PS_USERSTYLE, logical units
};

struct LogBrush {
    std::uint32_t style = BS_SOLID;
    ColourRef colour;
    std::uint32_t hatch = 0;
    QImage pattern;  // BS_PATTERN and DIB patterns
};

// A font as created, with the family it maps to here and its shape at the reference size.
struct LogFont {
    double height = 0;   // logical: < 0 character height, > 0 cell height, 0 default
    double width = 0;    // average character width, 0 for the font's own
    int escapement = 0;  // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = DEFAULT_CHARSET;
    int pitchAndFamily = 0;
    QString faceName;
    // Resolved once when the font is created.
    QFont font;         // mapped family at kReferencePixels
    double ascent = 0;  // at kReferencePixels
    double descent = 0;
    double averageWidth = 0;
    double underlinePos = 0;                   // centre of the underline below the baseline
    double strikeOutPos = 0;                   // centre of the strike-out line above the baseline
    double lineWidth = 0;                      // of either line
    SymbolFace symbolFace = SymbolFace::None;  // a face whose codes name symbols
};

struct LogPalette {
    std::vector<QColor> entries;
};

// A region: WMF regions are kept in logical units, EMF regions in device units.
struct Region {
    QPainterPath area;
};

using GdiObject = std::variant<LogPen, LogBrush, LogFont, LogPalette, Region>;
using ObjectRef = std::shared_ptr<const GdiObject>;

}  // namespace zarovia::picture::metafile

#pragma once

#include "picture/metafile/GdiObjects.h"
#include "picture/metafile/Mapping.h"

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <cstdint>
#include <optional>

// The graphics state a metafile's records change, as SaveDC keeps and RestoreDC brings back.
namespace zarovia::picture::metafile {

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;
inline constexpr int ALTERNATE = 1;
inline constexpr int WINDING = 2;
inline constexpr int AD_COUNTERCLOCKWISE = 1;
inline constexpr int AD_CLOCKWISE = 2;

// Binary raster operations (SetROP2).
inline constexpr int R2_BLACK = 1;
inline constexpr int R2_NOTMERGEPEN = 2;
inline constexpr int R2_MASKNOTPEN = 3;
inline constexpr int R2_NOTCOPYPEN = 4;
inline constexpr int R2_MASKPENNOT = 5;
inline constexpr int R2_NOT = 6;
inline constexpr int R2_XORPEN = 7;
inline constexpr int R2_NOTMASKPEN = 8;
inline constexpr int R2_MASKPEN = 9;
inline constexpr int R2_NOTXORPEN = 10;
inline constexpr int R2_NOP = 11;
inline constexpr int R2_MERGENOTPEN = 12;
inline constexpr int R2_COPYPEN = 13;
inline constexpr int R2_MERGEPENNOT = 14;
inline constexpr int R2_MERGEPEN = 15;
inline constexpr int R2_WHITE = 16;

// Stretch modes (SetStretchBltMode): only the halftone mode interpolates.
inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;

// Text alignment bits.
inline constexpr std::uint32_t TA_UPDATECP = 1;
inline constexpr std::uint32_t TA_RIGHT = 2;
inline constexpr std::uint32_t TA_CENTER = 6;
inline constexpr std::uint32_t TA_HORIZONTAL_MASK = 6;
inline constexpr std::uint32_t TA_BOTTOM = 8;
inline constexpr std::uint32_t TA_BASELINE = 24;
inline constexpr std::uint32_t TA_VERTICAL_MASK = 24;

// The clip region in device coordinates: none, a rectangle (the common case, kept cheap) or
// any area. `stored` is its index in the display list once it has been stored there, so a
// state brought back by RestoreDC is selected again without being stored again.
struct Clip {
    enum class Kind { None, Rect, Area };
    Kind kind = Kind::None;
    QRectF rect;
    QPainterPath area;
    std::optional<std::uint32_t> stored;
    bool operator==(const Clip& o) const {
        return kind == o.kind &&
               (kind == Kind::None || (kind == Kind::Rect ? rect == o.rect : area == o.area));
    }
};

struct DeviceContext {
    Mapping mapping;
    ObjectRef pen;
    ObjectRef brush;
    ObjectRef font;
    ObjectRef palette;
    ColourRef textColour{0x000000};
    ColourRef backgroundColour{0xFFFFFF};
    int backgroundMode = OPAQUE;
    int polyFillMode = ALTERNATE;
    int rop2 = R2_COPYPEN;
    int stretchMode = 0;
    int arcDirection = AD_COUNTERCLOCKWISE;
    std::uint32_t textAlign = 0;
    double charExtra = 0;  // logical units added after every character
    // SetTextJustification: logical units spread over the break characters of a line.
    double breakExtra = 0;
    int breakCount = 0;
    double miterLimit = 10.0;
    QPointF currentPosition;  // logical
    Clip clip;
};

}  // namespace zarovia::picture::metafile

#pragma once

#include "picture/ByteReader.h"
#include "picture/MemoryBudget.h"
#include "picture/metafile/AreaCombiner.h"

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

// The graphics objects of EMF+ (brushes, pens, paths, regions, images, fonts, string formats)
// as the Object records define them, in world coordinates.
namespace zarovia::picture::metafile::plus {

enum ObjectType : std::uint32_t {
    ObjectBrush = 1,
    ObjectPen = 2,
    ObjectPath = 3,
    ObjectRegion = 4,
    ObjectImage = 5,
    ObjectFont = 6,
    ObjectStringFormat = 7,
};

struct Brush {
    QBrush brush;  // gradients and textures in world coordinates
    std::optional<QColor> hatchBackground;
};

struct Pen {
    double width = 0;  // in `unit`; 0 is one device pixel
    std::uint32_t unit = 0;
    Qt::PenCapStyle cap = Qt::FlatCap;
    Qt::PenJoinStyle join = Qt::MiterJoin;
    double miterLimit = 10;
    Qt::PenStyle style = Qt::SolidLine;
    QList<qreal> dashes;  // in pen widths, for Qt::CustomDashLine
    Brush brush;
};

struct Path {
    QPainterPath path;
};

struct Region {
    QPainterPath area;
    bool infinite = false;
};

struct Image {
    QImage image;  // premultiplied ARGB32, as every draw takes it
};

inline constexpr int kFontBold = 1;
inline constexpr int kFontItalic = 2;
inline constexpr int kFontUnderline = 4;
inline constexpr int kFontStrikeout = 8;

struct Font {
    QString family;
    double emSize = 0;
    std::uint32_t unit = 0;
    int style = 0;
};

inline constexpr std::uint32_t kFormatVertical = 0x0002;
inline constexpr std::uint32_t kFormatNoWrap = 0x1000;
inline constexpr std::uint32_t kFormatNoClip = 0x4000;

struct StringFormat {
    std::uint32_t flags = 0;
    std::uint32_t alignment = 0;      // 0 near, 1 centre, 2 far
    std::uint32_t lineAlignment = 0;  // the same, across the lines
    // Space before and after each line, in ems: a sixth of an em unless a format says less.
    double leadingMargin = 1.0 / 6;
    double trailingMargin = 1.0 / 6;
};

using Object = std::variant<std::monostate, Brush, Pen, Path, Region, Image, Font, StringFormat>;

// The object of `type` in `data` (all its bytes). An object that cannot be read comes out
// as std::monostate; a bitmap over `budget` likewise. A bitmap's pixels are taken from
// `budget` for good, the passing ones of its decoding for a while; the nodes of a region are
// combined by `areas`.
Object readObject(std::uint32_t type, ByteReader data, BudgetAccount& budget, AreaCombiner& areas);

// The parts shared with the records and other objects: a brush at the reader, a path object's
// points and types, a bitmap object (taken from `budget` as readObject takes it).
Brush readBrush(ByteReader& r, BudgetAccount& budget);
QPainterPath readPath(ByteReader& r);
Image readImage(ByteReader& r, BudgetAccount& budget);

}  // namespace zarovia::picture::metafile::plus

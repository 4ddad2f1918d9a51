#pragma once

#include "picture/ByteReader.h"

#include <QColor>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>

// The EMF+ records carried in EMF comments: their types, the flags they share and the readers
// of the small structures they hold.
namespace zarovia::picture::metafile::plus {

// "EMF+" at the start of an EMR_COMMENT's data.
inline constexpr std::uint32_t kCommentIdentifier = 0x2B464D45;
inline constexpr std::size_t kRecordHeaderBytes = 12;

enum : std::uint16_t {
    Header = 0x4001,
    EndOfFile = 0x4002,
    GetDC = 0x4004,
    ObjectRecord = 0x4008,
    Clear = 0x4009,
    FillRects = 0x400A,
    DrawRects = 0x400B,
    FillPolygon = 0x400C,
    DrawLines = 0x400D,
    FillEllipse = 0x400E,
    DrawEllipse = 0x400F,
    FillPie = 0x4010,
    DrawPie = 0x4011,
    DrawArc = 0x4012,
    FillRegion = 0x4013,
    FillPath = 0x4014,
    DrawPath = 0x4015,
    FillClosedCurve = 0x4016,
    DrawClosedCurve = 0x4017,
    DrawCurve = 0x4018,
    DrawBeziers = 0x4019,
    DrawImage = 0x401A,
    DrawImagePoints = 0x401B,
    DrawString = 0x401C,
    SetInterpolationMode = 0x4021,
    SetCompositingMode = 0x4023,
    Save = 0x4025,
    Restore = 0x4026,
    BeginContainer = 0x4027,
    BeginContainerNoParams = 0x4028,
    EndContainer = 0x4029,
    SetWorldTransform = 0x402A,
    ResetWorldTransform = 0x402B,
    MultiplyWorldTransform = 0x402C,
    TranslateWorldTransform = 0x402D,
    ScaleWorldTransform = 0x402E,
    RotateWorldTransform = 0x402F,
    SetPageTransform = 0x4030,
    ResetClip = 0x4031,
    SetClipRect = 0x4032,
    SetClipPath = 0x4033,
    SetClipRegion = 0x4034,
    OffsetClip = 0x4035,
    DrawDriverString = 0x4036,
};

// Record flags.
inline constexpr std::uint16_t kDualHeader = 0x0001;      // Header: the EMF records suffice
inline constexpr std::uint16_t kSolidColour = 0x8000;     // S: the brush field is an ARGB colour
inline constexpr std::uint16_t kIntegerPoints = 0x4000;   // C: 16-bit integer coordinates
inline constexpr std::uint16_t kAppend = 0x2000;          // A: transforms apply after the world
inline constexpr std::uint16_t kClosedLine = 0x2000;      // L: DrawLines closes its figure
inline constexpr std::uint16_t kWindingFill = 0x2000;     // W: FillClosedCurve's fill rule
inline constexpr std::uint16_t kRelativePoints = 0x0800;  // P: points relative to the previous
inline constexpr std::uint16_t kContinued = 0x8000;       // Object: more chunks follow

// Units of the page transform, of pens and of fonts.
enum Unit : std::uint32_t {
    UnitWorld = 0,
    UnitDisplay = 1,
    UnitPixel = 2,
    UnitPoint = 3,
    UnitInch = 4,
    UnitDocument = 5,
    UnitMillimeter = 6,
};

// Device pixels per unit at `dpi` (UnitWorld and unknown units: one).
double pixelsPerUnit(std::uint32_t unit, double dpi);

QColor argb(std::uint32_t value);
QRectF rectF(ByteReader& r);
// A rectangle stored as four 16-bit integers (`integer`) or four floats.
QRectF rect(ByteReader& r, bool integer);
// `count` points: 16-bit integers, floats, or (`relative`) the compressed offsets of
// EmfPlusPointR from the previous point. Throws before allocating a count the data cannot hold.
QPolygonF points(ByteReader& r, std::size_t count, bool integer, bool relative);
// A matrix of six floats; none when it is not finite or too large.
std::optional<QTransform> matrix(ByteReader& r);

// How much `t` stretches lengths: the square root of how much it stretches areas.
inline double lengthScale(const QTransform& t) {
    return std::sqrt(std::abs(t.determinant()));
}

}  // namespace zarovia::picture::metafile::plus

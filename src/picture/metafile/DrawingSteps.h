#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// What a metafile draws, resolved to device coordinates: the graphics state of the records
// (mapping, objects, modes) has been applied, so playing a step needs nothing but the step.
// Shapes and clip areas are kept as plain points in one shared pool; a canvas receives views
// into it.
namespace zarovia::picture::metafile {

// How a shape is stroked and filled.
struct Style {
    QPen pen{Qt::NoPen};
    QBrush brush{Qt::NoBrush};
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    bool operator==(const Style& o) const {
        return mode == o.mode && pen == o.pen && brush == o.brush;
    }
};

enum class ShapeKind : std::uint8_t {
    Lines,     // separate segments: the points in pairs
    Polyline,  // one open line through the points
    Polygon,   // one closed figure through the points
    Rect,      // an axis-parallel box from its two corners
    Ellipse,   // the ellipse inscribed in that box
    Path,      // any outline: each point with its QPainterPath element type
};

// An outline kept as points with their QPainterPath::ElementType values.
struct PathView {
    std::span<const QPointF> points;
    std::span<const std::uint8_t> types;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    // Rebuilds the outline into `out` (cleared first, its memory reused).
    void buildInto(QPainterPath& out) const;
    QPainterPath toPath() const;
};

// One shape as a canvas receives it.
struct ShapeView {
    ShapeKind kind = ShapeKind::Path;
    const Style* style = nullptr;
    PathView outline;  // types are meaningful for ShapeKind::Path only
    // The shape as an outline, whatever its kind.
    QPainterPath toPath() const;
};

// The clip region in device coordinates: none, a rectangle (kept cheap) or any area.
struct ClipView {
    enum class Kind : std::uint8_t { None, Rect, Area };
    Kind kind = Kind::None;
    QRectF rect;
    PathView area;
};

// A run of text. `frame` maps the text's own space (origin at the reference point, x along
// the baseline, y down, units of `font`'s pixels) onto device coordinates. Glyphs are laid
// out when the text is first drawn, on the drawing thread.
struct TextItem {
    QString text;
    QFont font;  // at kReferencePixels; decorations are drawn separately
    QTransform frame;
    QPointF start;                 // baseline start of the first character, text space
    std::vector<double> advances;  // per UTF-16 unit, text space; empty: the font's own
    double width = 0;              // of the whole run, text space
    double ascent = 0;             // of the font, text space
    double descent = 0;
    QColor colour;
    std::optional<QColor> background;  // opaque mode: the box behind the characters
    std::optional<QRectF> opaqueRect;  // filled with opaqueColour first, device space
    QColor opaqueColour;
    std::optional<QRectF> clipRect;  // characters outside are cut off, device space
    // Lines drawn along the whole run: the centre of each (text space, y down) and their
    // thickness, at least one pixel on the target.
    std::optional<double> underline;
    std::optional<double> strikeOut;
    double lineWidth = 0;
};

// A bitmap; `frame` maps the image's pixel rectangle onto device coordinates.
struct ImageItem {
    QImage image;
    QTransform frame;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    bool smooth = true;  // interpolated when scaled; false: every pixel a sharp square
};

}  // namespace zarovia::picture::metafile

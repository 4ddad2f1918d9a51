#pragma once

#include <QColor>
#include <QFont>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <optional>
#include <variant>
#include <vector>

// What a metafile draws, resolved to device coordinates: the graphics state of the records
// (mapping, objects, modes) has been applied, so playing a step needs nothing but the step.
namespace zarovia::picture::metafile {

// Replaces the clip region; no path means no clipping.
struct ClipStep {
    std::optional<QPainterPath> clip;
};

// A filled and/or stroked outline.
struct ShapeStep {
    QPainterPath path;
    QPen pen{Qt::NoPen};
    QBrush brush{Qt::NoBrush};
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
};

// A run of text. `frame` maps the text's own space (origin at the reference point, x along
// the baseline, y down, units of `font`'s pixels) onto device coordinates. The glyphs are laid
// out once, when the file is parsed.
struct TextStep {
    QString text;
    QFont font;
    QTransform frame;
    QPointF start;                  // baseline start of the first character, text space
    std::vector<double> advances;   // per UTF-16 unit, text space; empty: the font's own
    double width = 0;               // of the whole run, text space
    std::vector<QGlyphRun> glyphs;  // positioned in text space, fallback fonts included
    QColor colour;
    std::optional<QColor> background;  // opaque mode: the box behind the characters
    std::optional<QRectF> opaqueRect;  // filled with opaqueColour first, device space
    QColor opaqueColour;
    std::optional<QRectF> clipRect;  // characters outside are cut off, device space
};

// A bitmap; `frame` maps the image's pixel rectangle onto device coordinates.
struct ImageStep {
    QImage image;
    QTransform frame;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
};

using Step = std::variant<ClipStep, ShapeStep, TextStep, ImageStep>;

}  // namespace zarovia::picture::metafile

#pragma once

#include "picture/metafile/AreaCombiner.h"
#include "picture/metafile/DeviceContext.h"
#include "picture/metafile/DisplayList.h"
#include "picture/metafile/DrawCost.h"

#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The graphics device both metafile formats draw on. The parsers turn records into calls in
// logical coordinates; this class keeps the graphics state and appends drawing steps in device
// coordinates. Nothing here reads bytes.
namespace zarovia::picture::metafile {

// ExtTextOut options.
inline constexpr std::uint32_t ETO_OPAQUE = 0x0002;
inline constexpr std::uint32_t ETO_CLIPPED = 0x0004;
inline constexpr std::uint32_t ETO_GLYPH_INDEX = 0x0010;
inline constexpr std::uint32_t ETO_NO_RECT = 0x0100;
inline constexpr std::uint32_t ETO_PDY = 0x2000;

// Ternary raster operations the players tell apart.
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;
inline constexpr std::uint32_t SRCPAINT = 0x00EE0086;
inline constexpr std::uint32_t SRCAND = 0x008800C6;
inline constexpr std::uint32_t SRCINVERT = 0x00660046;
inline constexpr std::uint32_t SRCERASE = 0x00440328;
inline constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
inline constexpr std::uint32_t NOTSRCERASE = 0x001100A6;
inline constexpr std::uint32_t MERGECOPY = 0x00C000CA;
inline constexpr std::uint32_t MERGEPAINT = 0x00BB0226;
inline constexpr std::uint32_t PATCOPY = 0x00F00021;
inline constexpr std::uint32_t PATPAINT = 0x00FB0A09;
inline constexpr std::uint32_t PATINVERT = 0x005A0049;
inline constexpr std::uint32_t DSTINVERT = 0x00550009;
inline constexpr std::uint32_t BLACKNESS = 0x00000042;
inline constexpr std::uint32_t WHITENESS = 0x00FF0062;

// Graphics modes of EMF text records.
inline constexpr int GM_COMPATIBLE = 1;
inline constexpr int GM_ADVANCED = 2;

struct TextRun {
    QPointF reference;  // logical; ignored when the alignment updates the position
    QString text;
    std::vector<double> dx;      // logical advance after each UTF-16 unit; empty: the font's
    std::uint32_t options = 0;   // ETO_OPAQUE, ETO_CLIPPED
    std::optional<QRectF> rect;  // logical
    // Compatible: glyphs upright on the device, turned only by the escapement; advanced: the
    // text follows the logical-to-device transform.
    int graphicsMode = GM_COMPATIBLE;
};

struct Blit {
    QRectF dest;  // logical; a negative extent mirrors the image
    // PlgBlt: the upper-left, upper-right and lower-left corners of the source rectangle's
    // place, logical; used instead of `dest`.
    std::optional<std::array<QPointF, 3>> corners;
    QImage image;   // null when the raster operation takes no source
    QRectF source;  // pixels of `image`, row 0 at the top; empty means the whole image
    // A quaternary operation when there is a mask: the ternary one in the low three bytes
    // where the mask is 1, the one in the high byte where it is 0.
    std::uint32_t rop = SRCCOPY;
    double constantAlpha = 1.0;
    QImage mask;        // Format_Alpha8 of 0 and 255, rows from the top; null: none
    QPoint maskOrigin;  // the mask pixel over the source rectangle's first pixel
};

// A vertex of GradientFill: logical place and colour.
struct GradientVertex {
    QPointF point;
    QColor colour;
};
inline constexpr int GRADIENT_FILL_RECT_H = 0;
inline constexpr int GRADIENT_FILL_RECT_V = 1;
inline constexpr int GRADIENT_FILL_TRIANGLE = 2;

class Gdi {
public:
    // `deviceFrame` is the device rectangle shown as the picture (empty while unknown); it
    // weighs the drawing cost of each step.
    Gdi(DisplayList& list, const DeviceContext& initial, const QRectF& deviceFrame = QRectF());

    DeviceContext& dc() noexcept { return dc_; }
    // The mapping, for a change: the cached transform is rebuilt on next use.
    Mapping& editMapping() noexcept;
    const QTransform& toDevice();
    QColor colour(ColourRef ref) const;

    // True once a cap or the budget has been reached: the parser stops reading records.
    bool exhausted() const noexcept { return exhausted_; }
    // Steps left out because each alone would have cost more than its share.
    int skippedSteps() const noexcept { return skippedSteps_; }
    // Called for every record (of `recordBytes`): true (and the parse stops) once the parse
    // has taken kMaxParseCpuNanoseconds of processor time; throws WorkCancelled when the file
    // is no longer wanted.
    bool outOfTime(std::size_t recordBytes);
    // Counts work a record did beyond its bytes (pixels decoded), towards the next look at the
    // processor time.
    void noteWork(std::int64_t units) { work_ += std::max<std::int64_t>(0, units); }
    // Device bounds of everything drawn so far.
    const QRectF& drawnBounds() const noexcept { return drawnBounds_; }
    // Counts a bitmap's pixels against the budget; false when they do not fit.
    bool reserveImagePixels(std::int64_t pixels);
    // The part `part` of `image` as premultiplied ARGB32 pixels of its own (shared with
    // `image` while unchanged), counted against the budget before it is made, the passing copy
    // too; null when they do not fit.
    QImage premultipliedCopy(const QImage& image, const QRect& part);
    // The metafile's budget account, for work that takes memory for a while.
    BudgetAccount& budget() noexcept { return list_.account(); }
    // Combines areas within the file's budget for them.
    AreaCombiner& areas() noexcept { return areas_; }

    void saveDc();
    void restoreDc(int which);

    // Lines and shapes, logical coordinates.
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polygon(const QPolygonF& points);
    void polyPolygon(const std::vector<QPolygonF>& polygons);
    void polyPolyline(const std::vector<QPolygonF>& polylines);
    void polyBezier(const QPolygonF& points);
    void polyBezierTo(const QPolygonF& points);
    void polyDraw(const QPolygonF& points, const std::vector<std::uint8_t>& types);
    void rectangle(const QRectF& box);
    void roundRect(const QRectF& box, QSizeF corner);
    void ellipse(const QRectF& box);
    void arc(const QRectF& box, QPointF start, QPointF end);
    void arcTo(const QRectF& box, QPointF start, QPointF end);
    void chord(const QRectF& box, QPointF start, QPointF end);
    void pie(const QRectF& box, QPointF start, QPointF end);
    void angleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees);
    void setPixel(QPointF p, ColourRef colour);

    // Paths.
    void beginPath();
    void endPath();
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void widenPath();
    void selectClipPath(int mode);

    // Clipping; rectangles in logical coordinates, regions in device coordinates.
    void intersectClipRect(const QRectF& box);
    void excludeClipRect(const QRectF& box);
    void selectClipRegion(const std::optional<QPainterPath>& deviceRegion, int mode);
    void offsetClip(QPointF logicalOffset);
    void fillRegion(const QPainterPath& deviceRegion, const ObjectRef& brush);
    void frameRegion(const QPainterPath& deviceRegion, const ObjectRef& brush, QSizeF logicalSize);
    void invertRegion(const QPainterPath& deviceRegion);

    void text(const TextRun& run);
    void blit(const Blit& blit);
    // Rectangles (two vertex indexes each, colour along x or y) or triangles (three, colour
    // shaded between the corners).
    void gradientFill(const std::vector<GradientVertex>& vertices,
                      const std::vector<std::array<std::uint32_t, 3>>& mesh, int mode);

    // Drawing already in device coordinates, with its own pen and brush (EMF+ records).
    void styledPath(const QPainterPath& devicePath, const Style& style);
    void styledText(TextItem text, double emDevice);
    // The image's pixels must have been reserved with reserveImagePixels.
    void styledImage(ImageItem image);
    // The clip as a state to save and bring back, and moved in device units.
    const Clip& clipState() const noexcept { return dc_.clip; }
    void setClipState(const Clip& clip);
    void translateClip(QPointF deviceOffset);

private:
    enum class Figure { Open, Closed };
    // The styles a shape is drawn with: an opaque-mode hatch first fills its gaps with the
    // background colour, in a style of its own.
    struct ShapeStyles {
        std::optional<std::uint32_t> gaps;
        std::optional<std::uint32_t> main;
        bool fills = false;
        double penWidth = 0;
    };
    QPen makePen();
    QBrush makeBrush(const ObjectRef& brushObject);
    std::optional<ShapeStyles> shapeStyles(bool stroke, bool fill);
    std::optional<std::uint32_t> strokeStyle(double& penWidth);
    std::optional<std::uint32_t> keep(const Style& style);
    void emitPoints(ShapeKind kind, std::span<const QPointF> devicePoints, bool stroke, bool fill);
    // A rectangle or ellipse: kept as its two device corners where the transform keeps axes
    // and no path is being gathered, a logical path otherwise.
    void boxShape(ShapeKind kind, const QRectF& box);
    void emitPath(const QPainterPath& devicePath, bool stroke, bool fill);
    void blitSide(const Blit& blit, std::uint32_t code, std::optional<std::uint8_t> where,
                  const QTransform& imageToLogical, const QRect& crop);
    void emitFill(const QPainterPath& devicePath, const QBrush& brush,
                  QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver);
    void strokeConnected(std::span<const QPointF> devicePoints);
    void addToBracket(const QPainterPath& devicePath, Figure figure);
    void connected(const QPainterPath& logicalPiece, bool updatePosition = true);
    void independent(const QPainterPath& logicalPath, bool stroke, bool fill);
    void independentPolygon(const QPolygonF& logical, bool closed, bool stroke, bool fill);
    QPainterPath arcLogical(const QRectF& box, QPointF start, QPointF end, int kind,
                            bool fromCurrent);
    bool countPoints(std::size_t n);
    // True when a step of this estimated cost may be added: one dearer than its share is
    // skipped; once the picture's drawing time is spent, the parse ends.
    bool afford(double cost);
    void stop() noexcept { exhausted_ = true; }
    void setClip(Clip clip);
    void emitClip();
    QPainterPath clipArea() const;
    bool rop2Applies(QColor& colour, QPainter::CompositionMode& mode) const;

    DisplayList& list_;
    DrawCost cost_;
    DeviceContext dc_;
    std::vector<DeviceContext> saved_;
    QTransform toDevice_;
    bool mappingDirty_ = true;
    std::uint64_t mappingGeneration_ = 0;
    std::optional<QPainterPath> bracket_;  // device coordinates, while a path is being defined
    bool bracketFigureOpen_ = false;
    QPainterPath definedPath_;  // the path closed by EndPath
    std::size_t bracketPoints_ = 0;
    std::size_t totalTextChars_ = 0;
    AreaCombiner areas_;
    bool exhausted_ = false;
    int skippedSteps_ = 0;
    double runCost_ = 0;        // of the run of connected lines the last step holds
    std::size_t runSteps_ = 0;  // the steps there were when it last grew
    // The thread's processor time when the parse began, the work since the clocks were last
    // read (records, and a unit for every 64 bytes of them), and when that was.
    std::int64_t startCpu_;
    std::int64_t work_ = 0;
    std::int64_t lastLook_ = 0;
    Clip emittedClip_;
    QRectF drawnBounds_;
    // The stroke style of the last line, while nothing it depends on has changed.
    struct StrokeCache {
        ObjectRef pen;
        ObjectRef palette;
        int rop2 = 0;
        double miterLimit = 0;
        std::uint64_t mapping = 0;
        std::optional<std::uint32_t> style;
        double penWidth = 0;
        bool valid = false;
    } strokeCache_;
};

}  // namespace zarovia::picture::metafile

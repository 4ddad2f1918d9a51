#pragma once

#include "picture/MemoryBudget.h"
#include "picture/metafile/DisplayList.h"
#include "picture/metafile/RecordFraming.h"

#include <QByteArray>
#include <QRect>
#include <QRectF>
#include <QSize>

namespace zarovia::picture::metafile {

// A metafile parsed once: its drawing steps in device coordinates, the device rectangle that
// maps onto the picture, and the natural size in pixels at 96 dpi. `capped` tells that a cap
// or the budget stopped the parse, and the picture is what was read up to there.
struct ParsedMetafile {
    DisplayList list{kMetafileBudgetBytes};
    QRectF deviceFrame;
    QSize naturalSize;
    FramingEnd end = FramingEnd::EndOfData;
    bool capped = false;
    // Steps left out because each alone would have cost more than its share of the drawing
    // time, and clip or region combinations made of bounding rectangles because the exact one
    // would have passed what was left of their budget.
    int skippedSteps = 0;
    int approximatedAreas = 0;
};

// Both throw zarovia::Failure("メタファイルが不正です") when the bytes are no metafile or the
// natural size comes out empty; damage after the header only shortens what is drawn.
ParsedMetafile parseWmf(const QByteArray& bytes);
ParsedMetafile parseEmf(const QByteArray& bytes);

[[noreturn]] void failInvalidMetafile();

// Pixels at 96 dpi for a length: rounded to the nearest, a positive length never below 1.
// Returns 0 for a length that is not positive or not finite, or that exceeds the cap.
int pixelsAt96Dpi(double inches);

// Placeable WMF: the bounding box in units per inch.
QSize placeableNaturalSize(const QRect& bounds, int unitsPerInch);
// EMF: the frame in 0.01 mm (inclusive-inclusive).
QSize emfFrameNaturalSize(const QRect& frame);

}  // namespace zarovia::picture::metafile

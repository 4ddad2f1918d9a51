#pragma once

#include <QPointF>
#include <QSizeF>
#include <QTransform>

// The mapping from a metafile's logical coordinates to its device: mapping mode, window and
// viewport, and (EMF) the world transform.
namespace zarovia::picture::metafile {

enum MapMode : int {
    MM_TEXT = 1,
    MM_LOMETRIC = 2,
    MM_HIMETRIC = 3,
    MM_LOENGLISH = 4,
    MM_HIENGLISH = 5,
    MM_TWIPS = 6,
    MM_ISOTROPIC = 7,
    MM_ANISOTROPIC = 8,
};

struct Mapping {
    int mapMode = MM_TEXT;
    QPointF windowOrg{0, 0};
    QSizeF windowExt{1, 1};
    QPointF viewportOrg{0, 0};
    QSizeF viewportExt{1, 1};
    QTransform world;  // logical to page coordinates
    // Device pixels per millimetre, for the metric and English modes.
    double pixelsPerMmX = 96.0 / 25.4;
    double pixelsPerMmY = 96.0 / 25.4;
};

// Page (logical after the world transform) to device. A zero window extent maps as if it
// were 1, so a broken file cannot divide by zero.
QTransform pageToDevice(const Mapping& mapping);

// Logical to device: the world transform followed by the page mapping.
QTransform logicalToDevice(const Mapping& mapping);

// How long a logical unit along x and along y is on the device (always positive).
double deviceUnitsPerLogicalX(const QTransform& toDevice);
double deviceUnitsPerLogicalY(const QTransform& toDevice);

}  // namespace zarovia::picture::metafile

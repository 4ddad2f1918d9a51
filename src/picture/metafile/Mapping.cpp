#include "picture/metafile/Mapping.h"

#include <algorithm>
#include <cmath>

namespace zarovia::picture::metafile {

namespace {

double nonZero(double v) {
    return v == 0.0 ? 1.0 : v;
}

// Millimetres per logical unit of the fixed-scale modes.
double millimetresPerUnit(int mapMode) {
    switch (mapMode) {
        case MM_LOMETRIC:
            return 0.1;
        case MM_HIMETRIC:
            return 0.01;
        case MM_LOENGLISH:
            return 0.254;
        case MM_HIENGLISH:
            return 0.0254;
        case MM_TWIPS:
            return 25.4 / 1440.0;
        default:
            return 0.0;
    }
}

}  // namespace

QTransform pageToDevice(const Mapping& m) {
    double sx = 1.0;
    double sy = 1.0;
    switch (m.mapMode) {
        case MM_ISOTROPIC:
        case MM_ANISOTROPIC: {
            sx = m.viewportExt.width() / nonZero(m.windowExt.width());
            sy = m.viewportExt.height() / nonZero(m.windowExt.height());
            if (m.mapMode == MM_ISOTROPIC) {
                // Both axes take the smaller scale; the signs (axis directions) stay.
                const double s = std::min(std::abs(sx), std::abs(sy));
                sx = std::copysign(s, sx);
                sy = std::copysign(s, sy);
            }
            break;
        }
        case MM_LOMETRIC:
        case MM_HIMETRIC:
        case MM_LOENGLISH:
        case MM_HIENGLISH:
        case MM_TWIPS: {
            const double mm = millimetresPerUnit(m.mapMode);
            sx = mm * m.pixelsPerMmX;
            sy = -mm * m.pixelsPerMmY;  // y grows upwards
            break;
        }
        default:
            break;  // MM_TEXT: one logical unit is one device pixel
    }
    // device = viewportOrg + (page - windowOrg) * scale
    return QTransform(sx, 0, 0, sy, m.viewportOrg.x() - m.windowOrg.x() * sx,
                      m.viewportOrg.y() - m.windowOrg.y() * sy);
}

QTransform logicalToDevice(const Mapping& m) {
    return m.world * pageToDevice(m);
}

double deviceUnitsPerLogicalX(const QTransform& t) {
    return std::hypot(t.m11(), t.m12());
}

double deviceUnitsPerLogicalY(const QTransform& t) {
    return std::hypot(t.m21(), t.m22());
}

}  // namespace zarovia::picture::metafile

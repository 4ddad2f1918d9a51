#include "picture/metafile/Limits.h"
#include "picture/metafile/ParsedMetafile.h"
#include "platform/Failure.h"

#include <cmath>

namespace zarovia::picture::metafile {

void failInvalidMetafile() {
    throw Failure(QStringLiteral("メタファイルが不正です"));
}

int pixelsAt96Dpi(double inches) {
    if (!(inches > 0) || !std::isfinite(inches)) return 0;
    const double px = std::nearbyint(inches * 96.0);
    if (px > kMaxNaturalSide) return 0;
    return std::max(1, static_cast<int>(px));
}

QSize placeableNaturalSize(const QRect& b, int unitsPerInch) {
    if (unitsPerInch <= 0) return QSize();
    const double w = std::abs(static_cast<double>(b.right()) - b.left()) / unitsPerInch;
    const double h = std::abs(static_cast<double>(b.bottom()) - b.top()) / unitsPerInch;
    return QSize(pixelsAt96Dpi(w), pixelsAt96Dpi(h));
}

QSize emfFrameNaturalSize(const QRect& f) {
    const double w = (static_cast<double>(f.right()) - f.left()) / 100.0 / 25.4;
    const double h = (static_cast<double>(f.bottom()) - f.top()) / 100.0 / 25.4;
    return QSize(pixelsAt96Dpi(w), pixelsAt96Dpi(h));
}

}  // namespace zarovia::picture::metafile

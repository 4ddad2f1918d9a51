#pragma once

// Compares text as two widgets draw it: the ink of a reference (a plain label showing only the
// text) is looked for in a control's picture, where the text sits among frames, boxes and
// arrows. Used to show that a control's text is the font's own drawing, not a picture of it.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace zarovia::testing {

// How far each pixel lies from `paper` towards `ink`, 0 to 1.
inline std::vector<float> inkCoverage(const QImage& picture, const QColor& ink,
                                      const QColor& paper) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const float dr = float(ink.red() - paper.red()), dg = float(ink.green() - paper.green()),
                db = float(ink.blue() - paper.blue());
    const float length = dr * dr + dg * dg + db * db;
    std::vector<float> coverage(size_t(image.width()) * size_t(image.height()), 0.0f);
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const float t =
                ((qRed(row[x]) - paper.red()) * dr + (qGreen(row[x]) - paper.green()) * dg +
                 (qBlue(row[x]) - paper.blue()) * db) /
                length;
            coverage[size_t(y) * size_t(image.width()) + size_t(x)] = std::clamp(t, 0.0f, 1.0f);
        }
    }
    return coverage;
}

// Empty when the text of `reference` (ink on paper, nothing else) appears in `control` as it
// is: its ink, cut to its bounds, matches some place of the control's ink to within a mean of
// `tolerance` per pixel (0 to 1). Otherwise what differs. Both pictures are taken at the same
// device pixel ratio.
inline QString sameInk(const QImage& control, const QImage& reference, const QColor& ink,
                       const QColor& paper, float tolerance = 0.03f) {
    if (control.devicePixelRatio() != reference.devicePixelRatio())
        return QStringLiteral("pictures of different densities");
    const std::vector<float> mine = inkCoverage(control, ink, paper);
    const std::vector<float> theirs = inkCoverage(reference, ink, paper);
    const int rw = reference.width(), rh = reference.height();
    QRect bounds;
    float total = 0;
    for (int y = 0; y < rh; ++y)
        for (int x = 0; x < rw; ++x)
            if (const float c = theirs[size_t(y) * size_t(rw) + size_t(x)]; c > 0.02f) {
                bounds |= QRect(x, y, 1, 1);
                total += c;
            }
    if (total < 8) return QStringLiteral("the reference shows no text");
    const int cw = control.width(), ch = control.height();
    if (bounds.width() > cw || bounds.height() > ch)
        return QStringLiteral("the control is smaller than the text");
    float best = std::numeric_limits<float>::max();
    for (int oy = 0; oy + bounds.height() <= ch; ++oy)
        for (int ox = 0; ox + bounds.width() <= cw; ++ox) {
            float sum = 0;
            for (int y = 0; y < bounds.height() && sum < best * total; ++y)
                for (int x = 0; x < bounds.width(); ++x)
                    sum += std::abs(
                        mine[size_t(oy + y) * size_t(cw) + size_t(ox + x)] -
                        theirs[size_t(bounds.y() + y) * size_t(rw) + size_t(bounds.x() + x)]);
            best = std::min(best, sum / total);
        }
    // `best` is the difference in proportion to the text's own ink.
    if (best <= tolerance) return {};
    return QStringLiteral("the text differs by %1 of its ink").arg(double(best), 0, 'f', 3);
}

}  // namespace zarovia::testing

#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace zarovia::media {

// The sound layout's two labels, centred on the window's OUTER size (frame and title bar
// included) with fixed offsets; halving truncates toward zero.
QPoint soundCaptionLabelPosition(QSize windowOuterSize, QSize labelSize);  // Label3
QPoint soundTitleLabelPosition(QSize windowOuterSize, QSize labelSize);    // Label4

// The video area: its width by full-screen state and the wide switch, its height a fixed
// proportion of the width, centred in the client area (halving truncates toward zero, so
// an area larger than the client gets a negative left or top).
struct VideoAreaInput {
    bool fullScreen = false;
    bool wide = false;
    int screenWidth = 0;
    QSize clientSize;
};
QRect videoArea(const VideoAreaInput& input);

// The display rectangle the player is given for a video area: the whole panel.
inline QRect displayRectForVideoArea(const QRect& area) {
    return QRect(0, 0, area.width(), area.height());
}

}  // namespace zarovia::media

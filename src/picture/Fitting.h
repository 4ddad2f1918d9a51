#pragma once

#include <QPoint>
#include <QSize>

namespace zarovia::picture {

// Where and how large a picture is drawn in the client area: natural size when it is
// smaller than the client area less a 10-pixel margin, otherwise scaled with its proportions
// until the side that exceeds by more pixels equals the client side; centred by halving that
// truncates toward zero.
struct Fit {
    int rule = 0;  // 1 to 5
    QSize displaySize;
    QPoint topLeft;
};

// Throws Failure for a picture with a side of 0.
Fit fitPicture(QSize natural, QSize client);

// Rounds to the nearest integer, an exact half to the even neighbour.
int roundHalfEven(double value);

}  // namespace zarovia::picture

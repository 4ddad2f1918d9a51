#pragma once

#include <QSize>

namespace zarovia::picture {

// a * b / c without overflow, rounded to the nearest integer (halves away from zero);
// -1 when c is 0.
int mulDiv(int a, int b, int c);

// The size a picture of `picture` pixels is printed at on a page whose printable area is
// `page` device pixels: as large as the page allows with its proportions kept. A picture
// relatively wider than the page fills the width, any other fills the height.
QSize printedPictureSize(QSize picture, QSize page);

}  // namespace zarovia::picture

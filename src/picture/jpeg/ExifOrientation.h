#pragma once

#include <QImage>
#include <QSize>
#include <cstddef>

namespace zarovia::picture::jpeg {

// The EXIF orientation tag: how the stored pixels must be turned to stand upright.
enum class Orientation {
    Normal = 1,
    MirrorHorizontal = 2,
    Rotate180 = 3,
    MirrorVertical = 4,
    Transpose = 5,   // mirrored along the top-left to bottom-right diagonal
    Rotate90 = 6,    // clockwise
    Transverse = 7,  // mirrored along the top-right to bottom-left diagonal
    Rotate270 = 8,   // clockwise (90 anticlockwise)
};

// The orientation stored in an APP1 segment's payload (starting with "Exif\0\0"); Normal
// when the payload is not EXIF, has no orientation tag, or the tag is out of range or cut.
Orientation exifOrientation(const unsigned char* app1, std::size_t size);

// True for the orientations that exchange width and height.
bool swapsAxes(Orientation orientation);
QSize orientedSize(QSize stored, Orientation orientation);

// The stored pixels turned upright.
QImage applyOrientation(const QImage& stored, Orientation orientation);

}  // namespace zarovia::picture::jpeg

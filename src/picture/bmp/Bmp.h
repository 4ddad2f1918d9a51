#pragma once

#include "picture/Picture.h"

#include <QByteArray>

namespace zarovia::picture {

// A whole .bmp file ("BM" file header, then a DIB). The result is an opaque bitmap picture.
// Throws zarovia::Failure with the bitmap texts (see Dib.h).
Picture decodeBmpFile(const QByteArray& bytes);

}  // namespace zarovia::picture

#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace zarovia::document::rtf {

// The data formats a \pict group can hold.
enum class PictureFormat {
    Unknown,
    Png,           // \pngblip
    Jpeg,          // \jpegblip
    Emf,           // \emfblip
    Wmf,           // \wmetafileN: a metafile without the placeable header
    Dib,           // \dibitmapN: a packed device-independent bitmap
    DeviceBitmap,  // \wbitmapN: device-dependent rows, not shown
    Unsupported,   // \macpict, \pmmetafile
};

// The largest size a picture is drawn at inside a document, in pixels per side.
inline constexpr int kMaxPictureSide = 4096;

// The picture as an image through the program's own decoders; metafiles are drawn at
// `goalSize` (clamped to kMaxPictureSide). A null image when the data cannot be decoded or the
// format is not shown: the reader then leaves the picture out.
QImage decodeRtfPicture(PictureFormat format, const QByteArray& bytes, QSize goalSize);

// True when the build draws WMF and EMF pictures (the metafile decoder is linked).
bool metafilePicturesSupported();

}  // namespace zarovia::document::rtf

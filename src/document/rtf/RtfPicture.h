#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace zarovia::picture {
class BudgetAccount;
}

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

// The size a picture's pixels are kept at: `shownSize` where it is given (each side at least
// 1), but never above the natural size for a raster picture; without it the natural size,
// shrunk with its proportions kept to fit kMaxPictureSide.
QSize keptPictureSize(QSize natural, QSize shownSize, bool scalable);

// The picture as an image through the program's own decoders, at keptPictureSize(): a JPEG
// through its DCT scaling then smoothed down, a DIB or PNG decoded (refused first when its
// full decode would not fit the picture budget) then smoothed down, a metafile rendered at
// that size. Its bytes are taken from `budget` before it is decoded; a null image (and
// nothing taken) when they do not fit, the data cannot be decoded or the format is not
// shown: the reader then leaves the picture out.
QImage decodeRtfPicture(PictureFormat format, const QByteArray& bytes, QSize shownSize,
                        picture::BudgetAccount& budget);

// True when the build draws WMF and EMF pictures (the metafile decoder is linked).
bool metafilePicturesSupported();

}  // namespace zarovia::document::rtf

#pragma once

#include "picture/Picture.h"
#include "picture/jpeg/JpegPictureData.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <functional>

// Small JPEG files made in the tests with libjpeg itself, so every colour model and coding
// mode can be checked against pixels whose values are known.
namespace zarovia::picture::jpeg::test {

enum class Coding { Baseline, Progressive, Arithmetic };

struct EncodeOptions {
    int quality = 95;
    Coding coding = Coding::Baseline;
    int restartRows = 0;
    bool fullChroma = true;  // 4:4:4 instead of 4:2:0
    bool rgbColourSpace = false;
};

// An RGB picture encoded as YCbCr (or RGB).
QByteArray encodeRgb(const QImage& image, const EncodeOptions& options = {});
QByteArray encodeGray(const QImage& image, int quality = 95, bool progressive = false);
// Four-component files; libjpeg writes the Adobe marker unless told not to, and the Adobe
// convention stores the inks inverted.
QByteArray encodeCmyk(const QImage& image, bool ycck, bool adobeMarker, bool progressive = false);
// A two-component file, which has no RGB meaning.
QByteArray encodeTwoComponents(int width, int height);

// Smooth colour ramps with fine stripes and deterministic noise: content whose first
// progressive scan looks clearly coarser than the finished picture.
QImage detailedPattern(int width, int height);

// Four solid quadrants, numbered 0 top left, 1 top right, 2 bottom left, 3 bottom right.
QImage quadrantPattern(int width, int height);
QColor quadrantColour(int quadrant);

// The file with an APP1 Exif segment holding the orientation tag put right after SOI.
QByteArray withExifOrientation(const QByteArray& jpeg, int orientation, bool bigEndian = false);
// An APP1 payload ("Exif\0\0" + TIFF) with only an orientation tag.
QByteArray exifPayload(int orientation, bool bigEndian, quint16 type = 3);

// The offset of the first byte after the first SOS segment's header (the scan data).
qsizetype scanDataOffset(const QByteArray& jpeg);
// The offset of the marker that ends the first scan's data (the first 0xFF not followed by
// 0x00 or a restart code), or -1.
qsizetype firstScanEnd(const QByteArray& jpeg);

// A progressive file whose Huffman table between two scans has code counts adding up to more
// than 256: libjpeg's fatal error #8, met after the first scan.
QByteArray withFatalTableAfterFirstScan(QByteArray progressive);

// The text of the Failure `step` throws; empty when it throws none.
QString failureTextOf(const std::function<void()>& step);

// Colour distance for lossy comparisons: the largest channel difference.
int channelDistance(QRgb a, QRgb b);

// The JPEG data behind a loaded picture.
inline const JpegPictureData& jpegData(const Picture& picture) {
    return dynamic_cast<const JpegPictureData&>(*picture.data());
}

}  // namespace zarovia::picture::jpeg::test

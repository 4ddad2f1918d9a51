#include "ExifOrientationTest.h"

#include "JpegTestFiles.h"
#include "picture/jpeg/ExifOrientation.h"
#include "picture/jpeg/Jpeg.h"
#include "picture/jpeg/JpegPictureData.h"

#include <QPainter>
#include <QTest>

using namespace zarovia::picture;
using namespace zarovia::picture::jpeg;
using namespace zarovia::picture::jpeg::test;

namespace {

// Where the upright pixel (x, y) comes from in the stored picture of size w x h.
QPoint storedPixelFor(int orientation, int x, int y, int w, int h) {
    switch (orientation) {
        case 2:
            return QPoint(w - 1 - x, y);
        case 3:
            return QPoint(w - 1 - x, h - 1 - y);
        case 4:
            return QPoint(x, h - 1 - y);
        case 5:
            return QPoint(y, x);
        case 6:
            return QPoint(y, h - 1 - x);
        case 7:
            return QPoint(w - 1 - y, h - 1 - x);
        case 8:
            return QPoint(w - 1 - y, x);
        default:
            return QPoint(x, y);
    }
}

int orientationOf(const QByteArray& payload) {
    return static_cast<int>(
        exifOrientation(reinterpret_cast<const unsigned char*>(payload.constData()),
                        static_cast<std::size_t>(payload.size())));
}

}  // namespace

void ExifOrientationTest::parsesOrientation_data() {
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("orientation");
    for (int value = 1; value <= 8; ++value) {
        QTest::addRow("little-endian %d", value) << exifPayload(value, false) << value;
        QTest::addRow("big-endian %d", value) << exifPayload(value, true) << value;
    }
    QTest::newRow("LONG type") << exifPayload(6, true, 4) << 6;
    QTest::newRow("unknown type") << exifPayload(6, false, 7) << 1;
    QTest::newRow("value 0") << exifPayload(0, false) << 1;
    QTest::newRow("value 9") << exifPayload(9, false) << 1;
    QTest::newRow("empty") << QByteArray() << 1;
    QTest::newRow("XMP, not EXIF") << QByteArray("http://ns.adobe.com/xap/1.0/\0<x/>", 33) << 1;
    QTest::newRow("bad byte order") << QByteArray("Exif\0\0XX\0\x2a\0\0\0\x08", 14) << 1;
    QTest::newRow("bad TIFF magic") << QByteArray("Exif\0\0II\x2b\0\x08\0\0\0", 14) << 1;
    QTest::newRow("IFD beyond the end") << QByteArray("Exif\0\0II\x2a\0\xff\xff\xff\x7f", 14) << 1;
    QByteArray cut = exifPayload(6, false);
    cut.chop(8);  // the orientation entry loses its value
    QTest::newRow("entry cut short") << cut << 1;
    QByteArray manyEntries = exifPayload(3, false);
    manyEntries[6 + 8] = '\xff';  // 65535 entries claimed, two present: the second is found
    manyEntries[6 + 9] = '\xff';
    QTest::newRow("entry count too large") << manyEntries << 3;
}

void ExifOrientationTest::parsesOrientation() {
    QFETCH(QByteArray, payload);
    QFETCH(int, orientation);
    QCOMPARE(orientationOf(payload), orientation);
}

void ExifOrientationTest::uprightPixels_data() {
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("bigEndian");
    for (int value = 1; value <= 8; ++value) {
        QTest::addRow("%d II", value) << value << false;
        QTest::addRow("%d MM", value) << value << true;
    }
}

void ExifOrientationTest::uprightPixels() {
    QFETCH(int, orientation);
    QFETCH(bool, bigEndian);
    // Not square, so a missed swap of width and height shows.
    const QByteArray stored = encodeRgb(quadrantPattern(48, 32));
    const QImage reference = loadJpeg(stored).toImage();
    const Picture picture = loadJpeg(withExifOrientation(stored, orientation, bigEndian));
    const QSize expectedSize = orientation >= 5 ? QSize(32, 48) : QSize(48, 32);
    QCOMPARE(picture.size(), expectedSize);
    const QImage upright = picture.toImage();
    QCOMPARE(upright.size(), expectedSize);
    for (int y = 0; y < upright.height(); ++y) {
        for (int x = 0; x < upright.width(); ++x) {
            const QPoint from =
                storedPixelFor(orientation, x, y, reference.width(), reference.height());
            if (upright.pixel(x, y) != reference.pixel(from))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
        }
    }
}

void ExifOrientationTest::uprightAtReducedScale_data() {
    uprightPixels_data();
}

void ExifOrientationTest::uprightAtReducedScale() {
    QFETCH(int, orientation);
    QFETCH(bool, bigEndian);
    const QByteArray stored = encodeRgb(quadrantPattern(480, 320));
    const Picture picture = loadJpeg(withExifOrientation(stored, orientation, bigEndian));
    const QSize shown = picture.size() / 8;
    QImage canvas(shown, QImage::Format_RGB32);
    {
        QPainter painter(&canvas);
        picture.draw(painter, QRectF(QPointF(0, 0), shown));
    }
    QCOMPARE(dynamic_cast<const JpegPictureData&>(*picture.data()).screenState().scaleDenominator,
             8);
    // Sample the middle of each upright quadrant; it must show the stored quadrant it maps to.
    for (int qy = 0; qy < 2; ++qy) {
        for (int qx = 0; qx < 2; ++qx) {
            const int x = shown.width() * (1 + 2 * qx) / 4;
            const int y = shown.height() * (1 + 2 * qy) / 4;
            const QPoint from = storedPixelFor(orientation, x, y, 480 / 8, 320 / 8);
            const int quadrant = (from.x() >= 30 ? 1 : 0) + (from.y() >= 20 ? 2 : 0);
            QVERIFY2(channelDistance(canvas.pixel(x, y), quadrantColour(quadrant).rgb()) <= 8,
                     qPrintable(QStringLiteral("at %1,%2").arg(x).arg(y)));
        }
    }
}

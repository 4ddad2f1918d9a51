#include "MetafileTest.h"
#include "picture/metafile/Mapping.h"
#include "picture/metafile/Metafile.h"
#include "picture/metafile/MetafilePicture.h"
#include "picture/metafile/ObjectTable.h"
#include "platform/Failure.h"

#include <QPainter>
#include <QtTest>

namespace zarovia::picture::metafile::test {

void MetafileTest::pageToDevice_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QPointF>("windowOrg");
    QTest::addColumn<QSizeF>("windowExt");
    QTest::addColumn<QPointF>("viewportOrg");
    QTest::addColumn<QSizeF>("viewportExt");
    QTest::addColumn<QPointF>("logical");
    QTest::addColumn<QPointF>("device");
    const QSizeF one(1, 1);
    QTest::newRow("MM_TEXT moves by the origins only")
        << int(MM_TEXT) << QPointF(10, 20) << QSizeF(500, 500) << QPointF(5, 5) << QSizeF(7, 7)
        << QPointF(30, 40) << QPointF(25, 25);
    QTest::newRow("MM_ANISOTROPIC scales each axis")
        << int(MM_ANISOTROPIC) << QPointF(0, 0) << QSizeF(1000, 500) << QPointF(0, 0)
        << QSizeF(100, 100) << QPointF(500, 250) << QPointF(50, 50);
    QTest::newRow("MM_ANISOTROPIC with origins")
        << int(MM_ANISOTROPIC) << QPointF(100, 100) << QSizeF(200, 200) << QPointF(10, 20)
        << QSizeF(400, 400) << QPointF(150, 150) << QPointF(110, 120);
    QTest::newRow("MM_ANISOTROPIC flips y with a negative extent")
        << int(MM_ANISOTROPIC) << QPointF(0, 0) << QSizeF(100, -100) << QPointF(0, 100)
        << QSizeF(100, 100) << QPointF(0, 100) << QPointF(0, 0);
    QTest::newRow("MM_ISOTROPIC takes the smaller scale")
        << int(MM_ISOTROPIC) << QPointF(0, 0) << QSizeF(100, 100) << QPointF(0, 0)
        << QSizeF(400, 200) << QPointF(100, 100) << QPointF(200, 200);
    QTest::newRow("MM_ISOTROPIC keeps the axis directions")
        << int(MM_ISOTROPIC) << QPointF(0, 0) << QSizeF(100, -100) << QPointF(0, 0)
        << QSizeF(400, 200) << QPointF(100, 100) << QPointF(200, -200);
    QTest::newRow("zero window extent maps as 1")
        << int(MM_ANISOTROPIC) << QPointF(0, 0) << QSizeF(0, 0) << QPointF(0, 0) << QSizeF(3, 3)
        << QPointF(2, 2) << QPointF(6, 6);
    // 96 dpi device: 0.1 mm is 0.377952... pixels, y grows upwards.
    QTest::newRow("MM_LOMETRIC") << int(MM_LOMETRIC) << QPointF(0, 0) << one << QPointF(0, 0) << one
                                 << QPointF(254, 254) << QPointF(96, -96);
    QTest::newRow("MM_HIENGLISH") << int(MM_HIENGLISH) << QPointF(0, 0) << one << QPointF(0, 0)
                                  << one << QPointF(1000, -500) << QPointF(96, 48);
    QTest::newRow("MM_TWIPS") << int(MM_TWIPS) << QPointF(0, 0) << one << QPointF(0, 0) << one
                              << QPointF(1440, 0) << QPointF(96, 0);
}

void MetafileTest::pageToDevice() {
    QFETCH(int, mode);
    QFETCH(QPointF, windowOrg);
    QFETCH(QSizeF, windowExt);
    QFETCH(QPointF, viewportOrg);
    QFETCH(QSizeF, viewportExt);
    QFETCH(QPointF, logical);
    QFETCH(QPointF, device);
    Mapping m;
    m.mapMode = mode;
    m.windowOrg = windowOrg;
    m.windowExt = windowExt;
    m.viewportOrg = viewportOrg;
    m.viewportExt = viewportExt;
    const QPointF got = logicalToDevice(m).map(logical);
    QVERIFY2(std::abs(got.x() - device.x()) < 1e-6 && std::abs(got.y() - device.y()) < 1e-6,
             qPrintable(QStringLiteral("got %1,%2").arg(got.x()).arg(got.y())));
}

void MetafileTest::placeableNaturalSize_data() {
    QTest::addColumn<QRect>("bounds");
    QTest::addColumn<int>("unitsPerInch");
    QTest::addColumn<QSize>("size");
    QTest::newRow("1440 twips per inch")
        << QRect(QPoint(0, 0), QPoint(1440, 720)) << 1440 << QSize(96, 48);
    QTest::newRow("rounded to nearest")
        << QRect(QPoint(0, 0), QPoint(1184, 480)) << 2305 << QSize(49, 20);
    QTest::newRow("negative origin")
        << QRect(QPoint(-4008, -3378), QPoint(4008, 3378)) << 1000 << QSize(770, 649);
    QTest::newRow("upside-down box")
        << QRect(QPoint(0, 1000), QPoint(1000, 0)) << 1000 << QSize(96, 96);
    QTest::newRow("tiny but not empty") << QRect(QPoint(0, 0), QPoint(1, 1)) << 2540 << QSize(1, 1);
    QTest::newRow("empty width") << QRect(QPoint(5, 0), QPoint(5, 100)) << 96 << QSize(0, 100);
    QTest::newRow("no units per inch") << QRect(QPoint(0, 0), QPoint(100, 100)) << 0 << QSize();
}

void MetafileTest::placeableNaturalSize() {
    QFETCH(QRect, bounds);
    QFETCH(int, unitsPerInch);
    QFETCH(QSize, size);
    QCOMPARE(metafile::placeableNaturalSize(bounds, unitsPerInch), size);
}

void MetafileTest::emfFrameNaturalSize_data() {
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QSize>("size");
    QTest::newRow("106 x 80 mm") << QRect(QPoint(0, 0), QPoint(10600, 8000)) << QSize(401, 302);
    QTest::newRow("one inch") << QRect(QPoint(100, 100), QPoint(2640, 2640)) << QSize(96, 96);
    QTest::newRow("A4 landscape") << QRect(QPoint(0, 0), QPoint(29700, 21000)) << QSize(1123, 794);
    QTest::newRow("inverted frame") << QRect(QPoint(100, 0), QPoint(0, 100)) << QSize(0, 4);
}

void MetafileTest::emfFrameNaturalSize() {
    QFETCH(QRect, frame);
    QFETCH(QSize, size);
    QCOMPARE(metafile::emfFrameNaturalSize(frame), size);
}

void MetafileTest::placeableBoundsFillThePicture() {
    // A rectangle over the whole bounding box covers the whole picture, whatever the units.
    WmfWriter w;
    w.rectangle(-500, 1000, 1500, 2000);
    const ParsedMetafile parsed = parseWmf(w.placeable(QRect(-500, 1000, 2000, 1000), 1000));
    QCOMPARE(parsed.naturalSize, QSize(192, 96));
    const auto shapes = record(parsed).all<ShapeStep>();
    QCOMPARE(shapes.size(), std::size_t(1));
    QCOMPARE(shapes[0].path.boundingRect(), QRectF(0, 0, 192, 96));
    QCOMPARE(parsed.deviceFrame, QRectF(0, 0, 192, 96));
}

void MetafileTest::plainWmfTakesItsSizeFromTheWindow() {
    WmfWriter w;
    w.mapMode(MM_ANISOTROPIC).windowOrg(100, 100).windowExt(300, 200).rectangle(100, 100, 400, 300);
    const ParsedMetafile parsed = parseWmf(w.plain());
    QCOMPARE(parsed.naturalSize, QSize(300, 200));
    QCOMPARE(record(parsed).all<ShapeStep>().at(0).path.boundingRect(), QRectF(0, 0, 300, 200));

    // Without any window the picture is what the records draw.
    WmfWriter bare;
    bare.rectangle(10, 20, 60, 40);
    const ParsedMetafile drawn = parseWmf(bare.plain());
    QCOMPARE(drawn.naturalSize, QSize(50, 20));
    QCOMPARE(drawn.deviceFrame.toAlignedRect(), QRect(10, 20, 50, 20));
}

void MetafileTest::emptyPicturesFail_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("wmf");
    WmfWriter w;
    w.rectangle(0, 0, 10, 10);
    QTest::newRow("placeable of zero width") << w.placeable(QRect(0, 0, 0, 100), 96) << true;
    QTest::newRow("placeable without units") << w.placeable(QRect(0, 0, 100, 100), 0) << true;
    QTest::newRow("plain drawing nothing") << WmfWriter().plain() << true;
    QTest::newRow("not a WMF header") << QByteArray(40, 'x') << true;
    QTest::newRow("empty WMF") << QByteArray() << true;
    QByteArray noSize = EmfWriter(QRect(0, 0, 0, 0)).finish();
    noSize.replace(16, 8, QByteArray(8, '\xFF'));  // bounds right and bottom: -1
    QTest::newRow("EMF zero frame and bounds") << noSize << false;
    QByteArray badSignature = EmfWriter(QRect(0, 0, 1000, 1000)).finish();
    badSignature[40] = 'X';
    QTest::newRow("EMF signature") << badSignature << false;
    QTest::newRow("EMF too short") << QByteArray("\x01\x00\x00\x00\x58\x00\x00\x00", 8) << false;
}

void MetafileTest::emptyPicturesFail() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, wmf);
    try {
        const Picture p = wmf ? decodeWmf(bytes) : decodeEmf(bytes);
        QFAIL(qPrintable(QStringLiteral("loaded as %1 x %2").arg(p.width()).arg(p.height())));
    } catch (const Failure& f) {
        QCOMPARE(f.message(), QStringLiteral("メタファイルが不正です"));
    }
}

void MetafileTest::emfFrameMapsThroughTheReferenceDevice() {
    // A 200 dpi reference device (7874 px per 1000 mm): a 50.8 mm frame is 400 device pixels
    // and 192 pixels at 96 dpi.
    EmfWriter w(QRect(0, 0, 5080, 5080), 16, QSize(7874, 7874), QSize(1000, 1000));
    w.rectangle(0, 0, 400, 400);
    const ParsedMetafile parsed = parseEmf(w.finish());
    QCOMPARE(parsed.naturalSize, QSize(192, 192));
    QVERIFY(std::abs(parsed.deviceFrame.width() - 400) < 0.1);
    const Picture picture = decodeEmf(w.finish());
    QCOMPARE(picture.kind(), PictureKind::Metafile);
    QCOMPARE(picture.size(), QSize(192, 192));
}

void MetafileTest::emfDescriptionIsNoHeaderExtension() {
    // A description where a longer header would keep the device size in micrometres: its
    // characters must not be taken for that size.
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.description(QStringLiteral("Zarovia test picture\0with a description\0"))
        .rectangle(0, 0, 100, 100);
    const ParsedMetafile parsed = parseEmf(w.finish());
    QCOMPARE(parsed.naturalSize, QSize(100, 100));
    QVERIFY2(std::abs(parsed.deviceFrame.width() - 100) < 0.1,
             qPrintable(QString::number(parsed.deviceFrame.width())));
}

void MetafileTest::drawMapsTheFrameOntoTheTarget() {
    // A black square over the right half of the picture, drawn into a target twice the size.
    EmfWriter w(QRect(0, 0, 2646, 2646));  // 100 x 100 px
    w.selectObject(ENHMETA_STOCK_OBJECT | 4)
        .selectObject(ENHMETA_STOCK_OBJECT | 8)
        .rectangle(50, 0, 100, 100);
    const Picture picture = decodeEmf(w.finish());
    QImage image(300, 300, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture.draw(painter, QRectF(50, 50, 200, 200));
    painter.end();
    QCOMPARE(image.pixelColor(200, 150), QColor(Qt::black));  // inside the square
    QCOMPARE(image.pixelColor(100, 150), QColor(Qt::white));  // left half: nothing drawn
    QCOMPARE(image.pixelColor(270, 150), QColor(Qt::white));  // outside the target
    QCOMPARE(image.pixelColor(200, 20), QColor(Qt::white));
}

void MetafileTest::toImageIsTransparentWhereNothingIsDrawn() {
    WmfWriter w;
    w.selectObject(0)
        .rectangle(0, 0, 50, 100)
        .createBrush(0, 0x0000FF)
        .selectObject(0)
        .rectangle(0, 0, 50, 100);
    const QImage image = decodeWmf(w.placeable(QRect(0, 0, 100, 100), 96)).toImage();
    QCOMPARE(image.size(), QSize(100, 100));
    QCOMPARE(image.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(qAlpha(image.pixel(90, 50)), 0);
    QCOMPARE(image.pixelColor(25, 50), QColor(Qt::red));
}

void MetafileTest::clipRectanglesLimitDrawing() {
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.selectObject(ENHMETA_STOCK_OBJECT | 4)
        .selectObject(ENHMETA_STOCK_OBJECT | 8)
        .record(30, {0, 0, 50, 100})  // IntersectClipRect: left half
        .record(29, {0, 0, 100, 20})  // ExcludeClipRect: top strip
        .rectangle(0, 0, 100, 100);
    const QImage image = decodeEmf(w.finish()).toImage();
    QCOMPARE(image.pixelColor(25, 60), QColor(Qt::black));
    QCOMPARE(qAlpha(image.pixel(75, 60)), 0);
    QCOMPARE(qAlpha(image.pixel(25, 10)), 0);
}

}  // namespace zarovia::picture::metafile::test

// Pictures inside rich text: decoded at the size they are shown, never above it, and all of
// one document's pictures within one budget. The bombs (support/DecoderBombs.h) are tiny
// pictures whose headers claim huge sizes.
#include "RtfTestSupport.h"
#include "document/rtf/RtfPicture.h"
#include "support/DecoderBombs.h"

#include <QBuffer>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <vector>

using namespace zarovia::document;
using namespace zarovia::document::test;
using zarovia::testing::jpegClaiming;
using zarovia::testing::kilobyteOfRuns;
using zarovia::testing::rle8Dib;

namespace {

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return out;
}

QImage solid(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Every row of `width` pixels set to colour 1, then the end of the bitmap.
QByteArray redRows(int width, int height) {
    QByteArray runs;
    for (int row = 0; row < height; ++row) {
        for (int left = width; left > 0; left -= 255) {
            runs.append(static_cast<char>(std::min(left, 255)));
            runs.append('\1');
        }
        runs.append(QByteArray("\0\0", 2));
    }
    return runs + QByteArray("\0\1", 2);
}

QByteArray pict(const char* format, const QByteArray& data, const QByteArray& sizeWords = {}) {
    return "{\\pict\\" + QByteArray(format) + sizeWords + " " + data.toHex() + "}";
}

// The pictures of a document in order: their kept pixels and the size they are shown at.
struct ShownPicture {
    QImage image;
    QSizeF shown;
};
std::vector<ShownPicture> picturesOf(const QTextDocument& doc) {
    std::vector<ShownPicture> out;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat()) continue;
            const QTextImageFormat image = format.toImageFormat();
            out.push_back(
                {doc.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>(),
                 QSizeF(image.width(), image.height())});
        }
    }
    return out;
}

}  // namespace

class RtfPictureBudgetTest : public QObject {
    Q_OBJECT

private slots:
    void keptSize_data();
    void keptSize();
    void keptAtTheShownSize_data();
    void keptAtTheShownSize();
    void jpegBombsShownSmallAreDecodedSmall();
    void picturesBeyondTheBudgetAreLeftOut();
    void bombsAreLeftOut_data();
    void bombsAreLeftOut();
};

void RtfPictureBudgetTest::keptSize_data() {
    QTest::addColumn<QSize>("natural");
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<bool>("scalable");
    QTest::addColumn<QSize>("kept");
    QTest::newRow("shown smaller")
        << QSize(4000, 3000) << QSize(400, 300) << false << QSize(400, 300);
    QTest::newRow("shown larger: never above natural")
        << QSize(40, 30) << QSize(400, 300) << false << QSize(40, 30);
    QTest::newRow("stretched one way") << QSize(40, 30) << QSize(20, 300) << false << QSize(20, 30);
    QTest::newRow("metafile larger: drawn at the shown size")
        << QSize(40, 30) << QSize(400, 300) << true << QSize(400, 300);
    QTest::newRow("shown beyond the side limit")
        << QSize(20000, 20000) << QSize(9000, 100) << false << QSize(4096, 100);
    QTest::newRow("no shown size: natural")
        << QSize(640, 480) << QSize() << false << QSize(640, 480);
    QTest::newRow("no shown size, huge: proportions kept")
        << QSize(16384, 8192) << QSize() << false << QSize(4096, 2048);
    QTest::newRow("no shown size, a thread: one pixel at least")
        << QSize(100000, 1) << QSize() << false << QSize(4096, 1);
}

void RtfPictureBudgetTest::keptSize() {
    QFETCH(QSize, natural);
    QFETCH(QSize, shown);
    QFETCH(bool, scalable);
    QFETCH(QSize, kept);
    QCOMPARE(rtf::keptPictureSize(natural, shown, scalable), kept);
}

void RtfPictureBudgetTest::keptAtTheShownSize_data() {
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QSize>("kept");
    QTest::addColumn<QSizeF>("shown");
    const QByteArray goal100x50 = "\\picwgoal1500\\pichgoal750";
    QTest::newRow("PNG 400 x 300 shown 100 x 50")
        << pict("pngblip", encoded(solid(QSize(400, 300), qRgb(255, 0, 0)), "PNG"), goal100x50)
        << QSize(100, 50) << QSizeF(100, 50);
    QTest::newRow("JPEG 800 x 600 shown 100 x 50")
        << pict("jpegblip", encoded(solid(QSize(800, 600), qRgb(255, 0, 0)), "JPEG"), goal100x50)
        << QSize(100, 50) << QSizeF(100, 50);
    QTest::newRow("JPEG 800 x 600 at 25 %")
        << pict("jpegblip", encoded(solid(QSize(800, 600), qRgb(255, 0, 0)), "JPEG"),
                "\\picw800\\pich600\\picscalex25\\picscaley25")
        << QSize(200, 150) << QSizeF(200, 150);
    QTest::newRow("run-length DIB 2000 x 1000 shown 100 x 50")
        << pict("dibitmap0", rle8Dib(2000, 1000, redRows(2000, 1000)), goal100x50) << QSize(100, 50)
        << QSizeF(100, 50);
    QTest::newRow("PNG 40 x 30 shown 100 x 50: kept at its own size")
        << pict("pngblip", encoded(solid(QSize(40, 30), qRgb(255, 0, 0)), "PNG"), goal100x50)
        << QSize(40, 30) << QSizeF(100, 50);
}

void RtfPictureBudgetTest::keptAtTheShownSize() {
    QFETCH(QByteArray, picture);
    QFETCH(QSize, kept);
    QFETCH(QSizeF, shown);
    const auto doc = readRtfText("{\\rtf1 a" + picture + "b}");
    QVERIFY(doc);
    QCOMPARE(normalisedText(*doc), QString("ab"));
    const std::vector<ShownPicture> pictures = picturesOf(*doc);
    QCOMPARE(pictures.size(), std::size_t{1});
    QCOMPARE(pictures[0].image.size(), kept);
    QCOMPARE(pictures[0].shown, shown);
    const QRgb centre = pictures[0].image.pixel(kept.width() / 2, kept.height() / 2);
    QVERIFY2(qRed(centre) > 200 && qGreen(centre) < 60, qPrintable(QString::number(centre, 16)));
}

void RtfPictureBudgetTest::jpegBombsShownSmallAreDecodedSmall() {
    // Each claims 16384 x 16384 (1 GiB at full size); shown at 96 x 96 each is decoded at 1/8.
    QByteArray rtf = "{\\rtf1 ";
    for (int i = 0; i < 3; ++i)
        rtf += "p" + QByteArray::number(i) +
               pict("jpegblip", jpegClaiming(16384, 16384), "\\picwgoal1440\\pichgoal1440");
    const auto doc = readRtfText(rtf + " end}");
    QVERIFY(doc);
    QCOMPARE(normalisedText(*doc), QString("p0p1p2 end"));
    const std::vector<ShownPicture> pictures = picturesOf(*doc);
    QCOMPARE(pictures.size(), std::size_t{3});
    for (const ShownPicture& p : pictures) QCOMPARE(p.image.size(), QSize(96, 96));
}

void RtfPictureBudgetTest::picturesBeyondTheBudgetAreLeftOut() {
    // Without a size of their own they are kept at 4096 x 4096 (64 MiB): as many as fit the
    // document's budget are kept, the rest are left out and the text goes on.
    constexpr qint64 kKeptBytes = 4LL * 4096 * 4096;
    constexpr qint64 kFitting = zarovia::picture::kDocumentPicturesBudgetBytes / kKeptBytes;
    static_assert(kFitting >= 1 && kFitting < 3, "some of three are kept, some left out");
    QByteArray rtf = "{\\rtf1 ";
    for (int i = 0; i < 3; ++i)
        rtf += "p" + QByteArray::number(i) + pict("jpegblip", jpegClaiming(16384, 16384));
    const auto doc = readRtfText(rtf + " end}");
    QVERIFY(doc);
    QCOMPARE(normalisedText(*doc), QString("p0p1p2 end"));
    const std::vector<ShownPicture> pictures = picturesOf(*doc);
    QCOMPARE(pictures.size(), std::size_t{kFitting});
    for (const ShownPicture& p : pictures) {
        QCOMPARE(p.image.size(), QSize(4096, 4096));
        QCOMPARE(p.shown, QSizeF(4096, 4096));
    }

    // The budget counts kept pixels, whatever the data's size: 100 x 100 pictures take
    // 40,000 bytes each.
    RtfLimits limits;
    limits.maxDecodedPictureBytes = 100000;
    const QByteArray small =
        pict("pngblip", encoded(solid(QSize(100, 100), qRgb(255, 0, 0)), "PNG"));
    const auto budgeted =
        readRtfText("{\\rtf1 a" + small + "b" + small + "c" + small + "d}", limits);
    QCOMPARE(picturesOf(*budgeted).size(), std::size_t{2});
    QCOMPARE(normalisedText(*budgeted), QString("abcd"));
    // Shown smaller, all three fit.
    const QByteArray shownSmall =
        pict("pngblip", encoded(solid(QSize(100, 100), qRgb(255, 0, 0)), "PNG"),
             "\\picwgoal900\\pichgoal900");
    const auto fitting =
        readRtfText("{\\rtf1 a" + shownSmall + "b" + shownSmall + "c" + shownSmall + "d}", limits);
    QCOMPARE(picturesOf(*fitting).size(), std::size_t{3});
}

void RtfPictureBudgetTest::bombsAreLeftOut_data() {
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<int>("kept");
    QTest::newRow("DIB 16384 x 16384 RLE8 in 1 KB")
        << pict("dibitmap0", rle8Dib(16384, 16384, kilobyteOfRuns())) << 0;
    QTest::newRow("DIB 8192 x 8192 RLE8 in 1 KB, shown small")
        << pict("dibitmap0", rle8Dib(8192, 8192, kilobyteOfRuns()), "\\picwgoal1500\\pichgoal1500")
        << 0;
    QByteArray png = encoded(solid(QSize(4, 4), qRgb(255, 0, 0)), "PNG");
    png.replace(16, 8, QByteArray("\x00\x00\x75\x30\x00\x00\x75\x30", 8));  // 30000 x 30000
    QTest::newRow("PNG claiming 30000 x 30000") << pict("pngblip", png) << 0;
    QTest::newRow("JPEG claiming 16384 x 16384 beside a good picture")
        << pict("jpegblip", jpegClaiming(16384, 16384), "\\picwgoal150\\pichgoal150") +
               pict("pngblip", encoded(solid(QSize(4, 4), qRgb(255, 0, 0)), "PNG"))
        << 2;
}

void RtfPictureBudgetTest::bombsAreLeftOut() {
    QFETCH(QByteArray, picture);
    QFETCH(int, kept);
    const auto doc = readRtfText("{\\rtf1 before" + picture + "after}");
    QVERIFY(doc);
    QCOMPARE(normalisedText(*doc), QString("beforeafter"));
    QCOMPARE(static_cast<int>(picturesOf(*doc).size()), kept);
}

QTEST_MAIN(RtfPictureBudgetTest)
#include "RtfPictureBudgetTest.moc"

#include "JpegPassesTest.h"

#include "JpegTestFiles.h"
#include "picture/jpeg/DctScale.h"
#include "picture/jpeg/Jpeg.h"
#include "picture/jpeg/JpegDecode.h"
#include "platform/Failure.h"
#include "support/TestInputs.h"

#include <QFile>
#include <QPainter>
#include <QTest>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using namespace zarovia::picture;
using namespace zarovia::picture::jpeg;
using namespace zarovia::picture::jpeg::test;

namespace {

std::optional<QByteArray> readFixture(const QString& name) {
    for (const QString& folder :
         {QStringLiteral(ZAROVIA_TEST_DATA "/jpeg/"), QStringLiteral(ZAROVIA_CORPUS "/jpeg/")}) {
        QFile file(folder + name);
        if (file.open(QIODevice::ReadOnly)) return file.readAll();
    }
    return std::nullopt;
}

QByteArray progressive(const QImage& image, bool fullChroma = false) {
    EncodeOptions options;
    options.coding = Coding::Progressive;
    options.fullChroma = fullChroma;
    return encodeRgb(image, options);
}

const QByteArray& detailedProgressive() {
    static const QByteArray bytes = progressive(detailedPattern(800, 600));
    return bytes;
}

// Every look handed over, in order.
struct LookRecorder {
    std::vector<QImage> looks;
    FirstLookSink sink() {
        return [this](const QImage& look) { looks.push_back(look); };
    }
};

// The mean difference in brightness (the JPEG luma, from the RGB the decoder made).
double meanLumaDistance(const QImage& a, const QImage& b) {
    const auto luma = [](QRgb c) { return 0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c); };
    double total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            total += std::abs(luma(a.pixel(x, y)) - luma(b.pixel(x, y)));
    return total / (static_cast<double>(a.width()) * a.height());
}

double meanDistance(const QImage& a, const QImage& b) {
    long long total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) total += channelDistance(a.pixel(x, y), b.pixel(x, y));
    return static_cast<double>(total) / (static_cast<double>(a.width()) * a.height());
}

// The failure text decodeForDisplay throws, or an empty string.
QString displayFailure(const Picture& picture, QSize devicePixels, const FirstLookSink& sink) {
    try {
        if (sink)
            decodeForDisplay(picture, devicePixels, sink);
        else
            decodeForDisplay(picture, devicePixels);
    } catch (const zarovia::Failure& failure) {
        return failure.message();
    }
    return QString();
}

// The file with the Huffman table before scan `scanIndex` (counted from 0) made invalid: its
// code counts add up to more than 256. -1 picks the last table.
QByteArray withBrokenTableBeforeScan(QByteArray jpeg, int scanIndex) {
    std::vector<qsizetype> scans;
    for (qsizetype at = jpeg.indexOf(QByteArray("\xFF\xDA", 2)); at >= 0;
         at = jpeg.indexOf(QByteArray("\xFF\xDA", 2), at + 2))
        scans.push_back(at);
    const qsizetype scan = scans.at(scanIndex < 0 ? scans.size() - 1 : scanIndex);
    const qsizetype table = jpeg.lastIndexOf(QByteArray("\xFF\xC4", 2), scan);
    for (int i = 0; i < 16; ++i) jpeg[table + 5 + i] = static_cast<char>(0xFF);
    return jpeg;
}

enum class LookVsFinished { Unchecked, Close, Coarser };

}  // namespace

Q_DECLARE_METATYPE(LookVsFinished)
Q_DECLARE_METATYPE(zarovia::picture::Picture)

void JpegPassesTest::firstLookThenFinished_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("denominator");
    QTest::addColumn<LookVsFinished>("lookVsFinished");
    const QImage detail = detailedPattern(256, 192);
    // At 1/8 a pixel is a block's DC: the first scan lacks only its lowest bit.
    QTest::newRow("4:2:0 at 1/8") << progressive(detail) << 8 << LookVsFinished::Close;
    QTest::newRow("4:2:0 at full size") << progressive(detail) << 1 << LookVsFinished::Coarser;
    QTest::newRow("4:4:4 at 1/2") << progressive(detail, true) << 2 << LookVsFinished::Coarser;
    QTest::newRow("grayscale") << encodeGray(detail, 90, true) << 2 << LookVsFinished::Coarser;
    QTest::newRow("YCCK, Adobe inverted")
        << encodeCmyk(detailedPattern(64, 48), true, true, true) << 1 << LookVsFinished::Unchecked;
    QTest::newRow("odd size 37 x 21")
        << progressive(detailedPattern(37, 21)) << 1 << LookVsFinished::Unchecked;
    QTest::newRow("EXIF rotated 90 at 1/4")
        << withExifOrientation(progressive(detail), 6) << 4 << LookVsFinished::Unchecked;
    for (const char* name :
         {"jpegdec_mozilla_jpg-progressive.jpg", "cjpeg_arithmetic_progressive.jpg",
          "jpegdec_partial_progressive.jpg"}) {
        const std::optional<QByteArray> file = readFixture(QString::fromLatin1(name));
        ZAROVIA_REQUIRE_INPUT(file.has_value(), name);
        if (file) QTest::newRow(name) << *file << 1 << LookVsFinished::Unchecked;
    }
}

void JpegPassesTest::firstLookThenFinished() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, denominator);
    QFETCH(LookVsFinished, lookVsFinished);
    const JpegHeader header = readJpegHeader(bytes);
    QVERIFY(header.progressive);
    LookRecorder recorder;
    const DecodedJpeg passes =
        decodeJpeg(bytes, header, denominator, OnFailure::Discard, recorder.sink());
    const DecodedJpeg oneShot = decodeJpeg(bytes, header, denominator, OnFailure::Discard);
    QCOMPARE(passes.failureCode, 0);
    QCOMPARE(oneShot.failureCode, 0);

    QCOMPARE(recorder.looks.size(), std::size_t{1});
    const QImage& look = recorder.looks.front();
    QCOMPARE(look.size(),
             orientedSize(scaledOutputSize(header.codedSize, denominator), header.orientation));
    QCOMPARE(look.format(), QImage::Format_RGB32);
    QVERIFY(passes.image == oneShot.image);  // the finished picture, pixel for pixel
    // At 1/8 a pixel's brightness is its block's DC value, which the first scan gives but
    // for its lowest bit; the colour of subsampled chroma still lacks its first AC terms.
    if (lookVsFinished == LookVsFinished::Close)
        QVERIFY2(meanLumaDistance(look, passes.image) <= 1.0,
                 qPrintable(QString::number(meanLumaDistance(look, passes.image))));
    if (lookVsFinished == LookVsFinished::Coarser) QVERIFY(meanDistance(look, passes.image) > 2.0);
}

void JpegPassesTest::firstLookAtDisplayScale_data() {
    QTest::addColumn<QSize>("devicePixels");
    QTest::addColumn<int>("denominator");
    QTest::newRow("1/8") << QSize(100, 75) << 8;
    QTest::newRow("1/4") << QSize(101, 75) << 4;
    QTest::newRow("1/2") << QSize(320, 240) << 2;
    QTest::newRow("full") << QSize(640, 480) << 1;
}

void JpegPassesTest::firstLookAtDisplayScale() {
    QFETCH(QSize, devicePixels);
    QFETCH(int, denominator);
    const Picture picture = loadJpeg(detailedProgressive());
    LookRecorder recorder;
    decodeForDisplay(picture, devicePixels, recorder.sink());
    QCOMPARE(recorder.looks.size(), std::size_t{1});
    // Shrunk, as the finished decode is, to the size shown.
    QCOMPARE(recorder.looks.front().size(), devicePixels);
    const JpegPictureData::ScreenState state = jpegData(picture).screenState();
    QCOMPARE(state.scaleDenominator, denominator);
    QCOMPARE(state.decodedSize, devicePixels);  // the finished decode, shrunk to what is shown
    QCOMPARE(state.decodeCount, 1);

    // Decoded already: a repeat, or a smaller size, has no first look.
    decodeForDisplay(picture, devicePixels, recorder.sink());
    picture.prepareWithFirstLook(QSize(50, 37), recorder.sink());
    QCOMPARE(recorder.looks.size(), std::size_t{1});
    // A larger size decodes again, with a look at the new scale.
    if (denominator > 1) {
        picture.prepareWithFirstLook(QSize(800, 600), recorder.sink());
        QCOMPARE(recorder.looks.size(), std::size_t{2});
        QCOMPARE(recorder.looks.back().size(), QSize(800, 600));
    }
}

// A smooth picture: its first look, made of one value per block spread and shrunk to the size
// shown, is close to the finished decode at that size.
QImage smoothPattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(40 + 180 * x / width, 200 - 150 * y / height, 120));
    return image;
}

void JpegPassesTest::firstLookShrunkAsTheFinishedPicture_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("shown");  // upright
    QTest::addColumn<int>("denominator");
    const QByteArray smooth = progressive(smoothPattern(800, 600));
    QTest::newRow("1/8, a pixel a block") << smooth << QSize(90, 70) << 8;
    QTest::newRow("1/4") << smooth << QSize(150, 110) << 4;
    QTest::newRow("1/2, other proportions") << smooth << QSize(390, 160) << 2;
    QTest::newRow("full size") << smooth << QSize(700, 500) << 1;
    QTest::newRow("4:4:4 at 1/2") << progressive(smoothPattern(800, 600), true) << QSize(300, 250)
                                  << 2;
    QTest::newRow("EXIF rotated 90 at 1/4")
        << withExifOrientation(smooth, 6) << QSize(110, 150) << 4;
}

void JpegPassesTest::firstLookShrunkAsTheFinishedPicture() {
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, shown);
    QFETCH(int, denominator);
    const JpegHeader header = readJpegHeader(bytes);
    LookRecorder recorder;
    const DecodedJpeg passes =
        decodeJpegFitted(bytes, header, denominator, shown, OnFailure::Discard, recorder.sink());
    const DecodedJpeg onePass =
        decodeJpegFitted(bytes, header, denominator, shown, OnFailure::Discard);
    QCOMPARE(passes.failureCode, 0);
    QVERIFY(passes.image == onePass.image);  // the finished picture, pixel for pixel
    QCOMPARE(passes.image.size(), shown);
    QCOMPARE(recorder.looks.size(), std::size_t{1});
    const QImage& look = recorder.looks.front();
    QCOMPARE(look.size(), shown);
    QCOMPARE(look.format(), QImage::Format_RGB32);
    // Spread and shrunk in place: off by a block or turned, the distance would be tens.
    QVERIFY2(meanDistance(look, onePass.image) <= 2.0,
             qPrintable(QString::number(meanDistance(look, onePass.image))));
}

void JpegPassesTest::noFirstLook_data() {
    QTest::addColumn<Picture>("picture");
    QTest::addColumn<bool>("jpeg");
    const QImage detail = detailedPattern(64, 48);
    EncodeOptions arithmetic;
    arithmetic.coding = Coding::Arithmetic;
    QTest::newRow("baseline") << loadJpeg(encodeRgb(detail)) << true;
    QTest::newRow("sequential arithmetic") << loadJpeg(encodeRgb(detail, arithmetic)) << true;
    QTest::newRow("grayscale baseline") << loadJpeg(encodeGray(detail)) << true;
    // Its scans never give every component a DC coefficient: there is no pass worth showing.
    const std::optional<QByteArray> missingDc =
        readFixture(QStringLiteral("jpegdec_progressive-missing-dc.jpg"));
    ZAROVIA_REQUIRE_INPUT(missingDc.has_value(), "jpegdec_progressive-missing-dc.jpg");
    if (missingDc) QTest::newRow("progressive without DC") << loadJpeg(*missingDc) << true;
    QTest::newRow("a raster picture")
        << Picture(std::make_shared<RasterPictureData>(PictureKind::Bitmap, detail)) << false;
}

void JpegPassesTest::noFirstLook() {
    QFETCH(Picture, picture);
    QFETCH(bool, jpeg);
    LookRecorder recorder;
    picture.prepareWithFirstLook(QSize(32, 24), recorder.sink());
    QVERIFY(displayFailure(picture, QSize(64, 48), recorder.sink()).isEmpty());
    QVERIFY(recorder.looks.empty());
    if (jpeg) QVERIFY(jpegData(picture).screenState().decodeCount > 0);
}

void JpegPassesTest::damagedAfterTheFirstLook_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("look");
    QTest::addColumn<bool>("fails");
    // (Damage before the first scan's data fails at load: the header is read up to it.)
    const QByteArray good = progressive(detailedPattern(128, 96));
    const qsizetype firstEnd = firstScanEnd(good);
    QVERIFY(firstEnd > 0);
    const qsizetype lastScan = good.lastIndexOf(QByteArray("\xFF\xDA", 2));
    const qsizetype end = good.lastIndexOf(QByteArray("\xFF\xD9", 2));
    // libjpeg only warns about a cut file: what arrived shows, as for a cut baseline file.
    QTest::newRow("cut right after the first scan") << good.left(firstEnd) << true << false;
    QTest::newRow("cut inside the last scan")
        << good.left(lastScan + (end - lastScan) / 2) << true << false;
    QTest::newRow("cut inside the first scan")
        << good.left(scanDataOffset(good) + 20) << true << false;
    // A marker segment cut short is fatal.
    QTest::newRow("cut in the table after the first scan")
        << good.left(firstEnd + 6) << true << true;
    QTest::newRow("a late Huffman table broken")
        << withBrokenTableBeforeScan(good, -1) << true << true;
    QTest::newRow("the second scan's table broken")
        << withBrokenTableBeforeScan(good, 1) << true << true;
    QTest::newRow("endless repeated scans")
        << good.left(end) + good.mid(lastScan, end - lastScan).repeated(1100) + good.mid(end)
        << true << true;
}

void JpegPassesTest::damagedAfterTheFirstLook() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, look);
    QFETCH(bool, fails);
    const QSize devicePixels(128, 96);
    const Picture picture = loadJpeg(bytes);
    LookRecorder recorder;
    const QString failure = displayFailure(picture, devicePixels, recorder.sink());
    QCOMPARE(recorder.looks.size(), look ? std::size_t{1} : std::size_t{0});
    QVERIFY2(failure.isEmpty() != fails, qPrintable(failure));
    // The same failure, or none, as the decode that shows no first look.
    QCOMPARE(failure, displayFailure(loadJpeg(bytes), devicePixels, FirstLookSink()));
    if (!look) return;
    QCOMPARE(recorder.looks.front().size(), devicePixels);

    // What the picture then draws: after a failure the first look, else the finished decode.
    QImage canvas(devicePixels, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(devicePixels)));
    }
    if (fails)
        QVERIFY(canvas == recorder.looks.front());
    else
        QVERIFY(canvas == loadJpeg(bytes).toImage());  // what a one-shot decode makes of it
}

void JpegPassesTest::previewPictureDrawsTheLook() {
    const Picture of = loadJpeg(detailedProgressive());
    const Picture preview = previewPicture(of, quadrantPattern(100, 75));
    QCOMPARE(preview.kind(), PictureKind::Jpeg);
    QCOMPARE(preview.size(), QSize(800, 600));
    QVERIFY(!preview.sharesDataWith(of));
    QImage canvas(420, 320, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        preview.draw(painter, QRectF(10, 10, 400, 300));  // four times the look's size
    }
    QCOMPARE(canvas.pixel(5, 5), qRgb(0, 0, 0));
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
        const QPoint at(10 + ((quadrant & 1) ? 300 : 100), 10 + ((quadrant & 2) ? 225 : 75));
        QVERIFY(channelDistance(canvas.pixel(at), quadrantColour(quadrant).rgb()) <= 2);
    }
    QCOMPARE(jpegData(of).screenState().decodeCount, 0);  // the picture itself untouched
    QVERIFY(previewPicture(Picture(), quadrantPattern(4, 4)).isNull());
}

// The window prints a picture shown by its first look while the picture decodes on a worker;
// printing must not wait for that decode (which here waits, inside its first look, for the
// printing to end).
void JpegPassesTest::printingDoesNotWaitForADecodeInProgress() {
    const Picture picture = loadJpeg(detailedProgressive());
    std::mutex mutex;
    std::condition_variable changed;
    bool inFirstLook = false;
    bool printed = false;
    bool printedWhileDecoding = false;
    std::thread worker([&] {
        decodeForDisplay(picture, QSize(100, 75), [&](const QImage&) {
            std::unique_lock lock(mutex);
            inFirstLook = true;
            changed.notify_all();
            changed.wait_for(lock, std::chrono::seconds(10), [&] { return printed; });
            printedWhileDecoding = printed;
        });
    });
    QImage page;
    {
        std::unique_lock lock(mutex);
        QVERIFY(changed.wait_for(lock, std::chrono::seconds(10), [&] { return inFirstLook; }));
    }
    page = picture.toImageCovering(QSize(100, 75));
    {
        const std::lock_guard lock(mutex);
        printed = true;
        changed.notify_all();
    }
    worker.join();
    QVERIFY(printedWhileDecoding);
    QCOMPARE(page.size(), QSize(100, 75));
    QCOMPARE(jpegData(picture).screenState().decodeCount, 1);  // the screen's own decode
}

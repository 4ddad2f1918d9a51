#include "JpegDisplayTest.h"

#include "JpegTestFiles.h"
#include "picture/jpeg/DctScale.h"
#include "picture/jpeg/Jpeg.h"
#include "picture/jpeg/JpegPictureData.h"
#include "platform/Failure.h"
#include "support/LcmsTools.h"
#include "support/TestInputs.h"

#include <QFile>
#include <QPainter>
#include <QTest>
#include <thread>

#include <jerror.h>
#include <jpeglib.h>
#include <cstdio>

using namespace zarovia::picture;
using namespace zarovia::picture::jpeg;
using namespace zarovia::picture::jpeg::test;
namespace colourtest = zarovia::colourtest;

namespace {

// 1600 x 1200: big enough that every DCT scale gives a different size.
const QByteArray& largePicture() {
    static const QByteArray bytes = encodeRgb(quadrantPattern(1600, 1200));
    return bytes;
}

QImage paint(const Picture& picture, QSize canvasSize, qreal devicePixelRatio,
             const QRectF& target) {
    QImage canvas(canvasSize, QImage::Format_RGB32);
    canvas.setDevicePixelRatio(devicePixelRatio);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    picture.draw(painter, target);
    return canvas;
}

// Opens `bytes` as a file read `chunk` bytes at a time; counts the openings in `opens`. With
// `failAt`, the read that would pass that offset fails, as a disk error does.
JpegReopen chunksOf(const QByteArray& bytes, int* opens, qsizetype chunk = 4096,
                    qsizetype failAt = -1) {
    return [=]() -> jpeg::ChunkReader {
        ++*opens;
        auto offset = std::make_shared<qsizetype>(0);
        return [=]() -> QByteArray {
            if (failAt >= 0 && *offset + chunk > failAt)
                throw zarovia::Failure(QStringLiteral("read error"));
            const QByteArray piece = bytes.mid(*offset, chunk);
            *offset += piece.size();
            return piece;
        };
    };
}

QPoint quadrantCentre(QSize size, int quadrant) {
    return QPoint((quadrant & 1) ? size.width() * 3 / 4 : size.width() / 4,
                  (quadrant & 2) ? size.height() * 3 / 4 : size.height() / 4);
}

}  // namespace

void JpegDisplayTest::coveringScale_data() {
    QTest::addColumn<QSize>("natural");
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<int>("denominator");
    QTest::newRow("24 MP in a 640 x 480 window") << QSize(6000, 4000) << QSize(640, 427) << 8;
    QTest::newRow("24 MP full screen 1280 x 1024") << QSize(6000, 4000) << QSize(1280, 853) << 4;
    QTest::newRow("24 MP at device pixel ratio 2") << QSize(6000, 4000) << QSize(1280, 854) << 4;
    QTest::newRow("exactly the 1/8 size") << QSize(6000, 4000) << QSize(750, 500) << 8;
    QTest::newRow("one pixel wider than 1/8") << QSize(6000, 4000) << QSize(751, 500) << 4;
    QTest::newRow("one pixel taller than 1/4") << QSize(6000, 4000) << QSize(1500, 1001) << 2;
    QTest::newRow("natural size") << QSize(6000, 4000) << QSize(6000, 4000) << 1;
    QTest::newRow("enlarged small picture") << QSize(400, 300) << QSize(640, 480) << 1;
    QTest::newRow("odd size rounds up") << QSize(17, 9) << QSize(3, 2) << 8;
    QTest::newRow("odd size, one more") << QSize(17, 9) << QSize(4, 2) << 4;
    QTest::newRow("empty request") << QSize(6000, 4000) << QSize(0, 0) << 8;
    QTest::newRow("portrait") << QSize(4000, 6000) << QSize(320, 480) << 8;
}

void JpegDisplayTest::coveringScale() {
    QFETCH(QSize, natural);
    QFETCH(QSize, wanted);
    QFETCH(int, denominator);
    QCOMPARE(coveringScaleDenominator(natural, wanted), denominator);
    const QSize output = scaledOutputSize(natural, denominator);
    QVERIFY(output.width() >= wanted.width() || denominator == 1);
}

void JpegDisplayTest::prepareDecodesAtCoveringScale_data() {
    QTest::addColumn<QSize>("devicePixels");
    QTest::addColumn<int>("denominator");
    QTest::newRow("1/8, its own size") << QSize(200, 150) << 8;
    QTest::newRow("1/4") << QSize(201, 150) << 4;
    QTest::newRow("1/2") << QSize(640, 480) << 2;
    QTest::newRow("full") << QSize(1024, 768) << 1;
}

// Decoded at the scale that covers the size asked for, and shrunk to it on the way: only the
// pixels shown are held, once.
void JpegDisplayTest::prepareDecodesAtCoveringScale() {
    QFETCH(QSize, devicePixels);
    QFETCH(int, denominator);
    const Picture picture = loadJpeg(largePicture());
    picture.prepare(devicePixels);
    const JpegPictureData::ScreenState state = jpegData(picture).screenState();
    QCOMPARE(state.scaleDenominator, denominator);
    QCOMPARE(state.decodedSize, devicePixels);
    QCOMPARE(state.scaledSize, devicePixels);
    QCOMPARE(state.pixelBytes, 4LL * devicePixels.width() * devicePixels.height());
    QCOMPARE(state.rescaleCount, 1);  // the copy for the screen is the decode itself
    const QImage shown = paint(picture, devicePixels, 1.0, QRectF(QPointF(0, 0), devicePixels));
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
        const QPoint at = quadrantCentre(devicePixels, quadrant);
        QVERIFY(channelDistance(shown.pixel(at), quadrantColour(quadrant).rgb()) <= 6);
    }
    QCOMPARE(jpegData(picture).screenState().decodeCount, 1);
}

void JpegDisplayTest::drawCountsDevicePixels() {
    const Picture picture = loadJpeg(largePicture());
    // 200 x 150 logical pixels at ratio 2 are 400 x 300 device pixels: 1/4, not 1/8.
    const QImage canvas = paint(picture, QSize(400, 300), 2.0, QRectF(0, 0, 200, 150));
    QCOMPARE(jpegData(picture).screenState().scaleDenominator, 4);
    QCOMPARE(jpegData(picture).screenState().scaledSize, QSize(400, 300));
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
        const QPoint at = quadrantCentre(QSize(400, 300), quadrant);
        QVERIFY(channelDistance(canvas.pixel(at), quadrantColour(quadrant).rgb()) <= 6);
    }
}

void JpegDisplayTest::largerRequestDecodesAgainSmallerReuses() {
    const Picture picture = loadJpeg(largePicture());
    picture.prepare(QSize(200, 150));
    QCOMPARE(jpegData(picture).screenState().scaleDenominator, 8);
    picture.prepare(QSize(800, 600));  // full screen
    QCOMPARE(jpegData(picture).screenState().scaleDenominator, 2);
    QCOMPARE(jpegData(picture).screenState().decodeCount, 2);
    picture.prepare(QSize(200, 150));  // back to the window
    QCOMPARE(jpegData(picture).screenState().scaleDenominator, 2);
    QCOMPARE(jpegData(picture).screenState().decodeCount, 2);
    QCOMPARE(jpegData(picture).screenState().scaledSize, QSize(200, 150));
}

void JpegDisplayTest::repaintAtSameSizeDoesNotRescale() {
    const Picture picture = loadJpeg(largePicture());
    QImage canvas(300, 300, QImage::Format_RGB32);
    QPainter painter(&canvas);
    picture.draw(painter, QRectF(10, 20, 160, 120));
    const int rescales = jpegData(picture).screenState().rescaleCount;
    picture.draw(painter, QRectF(10, 20, 160, 120));
    picture.draw(painter, QRectF(50, 0, 160, 120));  // moved, same size
    QCOMPARE(jpegData(picture).screenState().rescaleCount, rescales);
    picture.draw(painter, QRectF(0, 0, 170, 128));
    QCOMPARE(jpegData(picture).screenState().rescaleCount, rescales + 1);
    QCOMPARE(jpegData(picture).screenState().decodeCount, 1);
}

void JpegDisplayTest::toImageIsFullSizeAndKeepsScreenDecode() {
    const Picture picture = loadJpeg(largePicture());
    picture.prepare(QSize(200, 150));
    const QImage full = picture.toImage();
    QCOMPARE(full.size(), QSize(1600, 1200));
    for (int quadrant = 0; quadrant < 4; ++quadrant)
        QVERIFY(channelDistance(full.pixel(quadrantCentre(full.size(), quadrant)),
                                quadrantColour(quadrant).rgb()) <= 4);
    const JpegPictureData::ScreenState state = jpegData(picture).screenState();
    QCOMPARE(state.scaleDenominator, 8);
    QCOMPARE(state.decodedSize, QSize(200, 150));
    QCOMPARE(state.decodeCount, 1);
    // Printing before anything was shown decodes nothing for the screen.
    const Picture unseen = loadJpeg(largePicture());
    QCOMPARE(unseen.toImage().size(), QSize(1600, 1200));
    QCOMPARE(jpegData(unseen).screenState().decodeCount, 0);
}

void JpegDisplayTest::colourModels_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("gray");
    // CMYK pictures without a profile go through the default CMYK profile: their colours are
    // what Little CMS's jpgicc makes of the same file through that profile.
    QTest::addColumn<bool>("cmyk");
    const QImage pattern = quadrantPattern(64, 48);
    EncodeOptions subsampled;
    subsampled.fullChroma = false;
    EncodeOptions rgb;
    rgb.rgbColourSpace = true;
    EncodeOptions progressive;
    progressive.coding = Coding::Progressive;
    EncodeOptions arithmetic;
    arithmetic.coding = Coding::Arithmetic;
    EncodeOptions restarts;
    restarts.restartRows = 1;
    EncodeOptions progressiveArithmetic;
    progressiveArithmetic.coding = Coding::Progressive;
    QTest::newRow("YCbCr 4:4:4") << encodeRgb(pattern) << false << false;
    QTest::newRow("YCbCr 4:2:0") << encodeRgb(pattern, subsampled) << false << false;
    QTest::newRow("RGB") << encodeRgb(pattern, rgb) << false << false;
    QTest::newRow("grayscale") << encodeGray(pattern) << true << false;
    QTest::newRow("CMYK, Adobe inverted") << encodeCmyk(pattern, false, true) << false << true;
    QTest::newRow("CMYK, plain") << encodeCmyk(pattern, false, false) << false << true;
    QTest::newRow("YCCK, Adobe inverted") << encodeCmyk(pattern, true, true) << false << true;
    QTest::newRow("progressive") << encodeRgb(pattern, progressive) << false << false;
    QTest::newRow("arithmetic") << encodeRgb(pattern, arithmetic) << false << false;
    QTest::newRow("restart markers") << encodeRgb(pattern, restarts) << false << false;
}

void JpegDisplayTest::colourModels() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, gray);
    QFETCH(bool, cmyk);
    const Picture picture = loadJpeg(bytes);
    QCOMPARE(picture.size(), QSize(64, 48));
    QImage throughProfile;
    if (cmyk) {
        const QString profile = QString::fromLatin1(colour::kDefaultCmykProfilePath);
        ZAROVIA_REQUIRE_INPUT(QFile::exists(profile) && colourtest::haveTool("jpgicc"),
                              "libgs-common's default CMYK profile and jpgicc");
        throughProfile = colourtest::jpgiccToSrgb(bytes, profile);
        QCOMPARE(throughProfile.size(), QSize(64, 48));
    }
    const auto expected = [gray, &throughProfile](int quadrant) {
        if (!throughProfile.isNull())
            return throughProfile.pixel(quadrantCentre(throughProfile.size(), quadrant));
        QImage colour(1, 1, QImage::Format_RGB32);
        colour.fill(quadrantColour(quadrant));
        // The gray file was made through Qt's own conversion to gray.
        return gray ? colour.convertToFormat(QImage::Format_Grayscale8).pixel(0, 0)
                    : colour.pixel(0, 0);
    };
    const QImage full = picture.toImage();
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
        const QRgb got = full.pixel(quadrantCentre(full.size(), quadrant));
        QVERIFY2(channelDistance(got, expected(quadrant)) <= 8,
                 qPrintable(QStringLiteral("quadrant %1: %2").arg(quadrant).arg(got, 8, 16)));
    }
    // And at a reduced DCT scale through the screen path.
    const QImage canvas = paint(picture, QSize(16, 12), 1.0, QRectF(0, 0, 16, 12));
    QCOMPARE(jpegData(picture).screenState().scaleDenominator, 4);
    for (int quadrant = 0; quadrant < 4; ++quadrant)
        QVERIFY(channelDistance(canvas.pixel(quadrantCentre(canvas.size(), quadrant)),
                                expected(quadrant)) <= 10);
}

void JpegDisplayTest::imageMagickCmykMatchesItsSource() {
    // Another encoder's CMYK file without a profile: every pixel as jpgicc converts it through
    // the default CMYK profile (its output re-encoded at quality 100).
    QFile cmykFile(QStringLiteral(ZAROVIA_TEST_DATA "/jpeg/magick_cmyk_from_testorig.jpg"));
    QVERIFY(cmykFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = cmykFile.readAll();
    const QString profile = QString::fromLatin1(colour::kDefaultCmykProfilePath);
    ZAROVIA_REQUIRE_INPUT(QFile::exists(profile) && colourtest::haveTool("jpgicc"),
                          "libgs-common's default CMYK profile and jpgicc");
    const QImage cmyk = loadJpeg(bytes).toImage();
    const QImage rgb = colourtest::jpgiccToSrgb(bytes, profile);
    QCOMPARE(cmyk.size(), rgb.size());
    long long total = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            total += channelDistance(cmyk.pixel(x, y), rgb.pixel(x, y));
    const double mean = static_cast<double>(total) / (rgb.width() * rgb.height());
    QVERIFY2(mean < 6.0, qPrintable(QString::number(mean)));
}

void JpegDisplayTest::drawWhilePreparingOnAnotherThread() {
    const Picture picture = loadJpeg(largePicture());
    std::thread worker([picture] {
        for (int i = 1; i <= 8; ++i) picture.prepare(QSize(100 * i, 75 * i));
    });
    for (int i = 0; i < 20; ++i) (void)paint(picture, QSize(200, 150), 1.0, QRectF(0, 0, 200, 150));
    worker.join();
    QCOMPARE(jpegData(picture).screenState().scaleDenominator, 2);
}

void JpegDisplayTest::toImageCoveringPicksTheSmallestScale_data() {
    QTest::addColumn<QSize>("devicePixels");
    QTest::addColumn<QSize>("size");
    QTest::newRow("a small page: 1/8") << QSize(150, 100) << QSize(200, 150);
    QTest::newRow("half the picture: 1/2") << QSize(700, 600) << QSize(800, 600);
    QTest::newRow("a 600 dpi page: full size") << QSize(4960, 7016) << QSize(1600, 1200);
}

void JpegDisplayTest::toImageCoveringPicksTheSmallestScale() {
    QFETCH(QSize, devicePixels);
    QFETCH(QSize, size);
    const Picture picture = loadJpeg(largePicture());
    const QImage image = picture.toImageCovering(devicePixels);
    QCOMPARE(image.size(), size);
    for (int quadrant = 0; quadrant < 4; ++quadrant)
        QVERIFY(channelDistance(image.pixel(quadrantCentre(size, quadrant)),
                                quadrantColour(quadrant).rgb()) <= 6);
    // The screen's decode at that scale serves printing without decoding again.
    const Picture shown = loadJpeg(largePicture());
    shown.prepare(devicePixels);
    QCOMPARE(shown.toImageCovering(devicePixels).size(), size);
    QCOMPARE(jpegData(shown).screenState().decodeCount, 1);
}

void JpegDisplayTest::scaleStaysWithinTheBudget_data() {
    QTest::addColumn<QSize>("natural");
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<int>("denominator");
    // 16384 x 16384 at full size is 1 GiB; at 1/2 exactly the 256 MiB budget.
    QTest::newRow("16384 square, full size asked")
        << QSize(16384, 16384) << QSize(16384, 16384) << 2;
    QTest::newRow("16384 square, a screen") << QSize(16384, 16384) << QSize(1280, 1024) << 8;
    QTest::newRow("8193 x 8192, full size asked") << QSize(8193, 8192) << QSize(8193, 8192) << 2;
    QTest::newRow("8192 square fits whole") << QSize(8192, 8192) << QSize(8192, 8192) << 1;
    QTest::newRow("libjpeg's largest: 1/8 still fits")
        << QSize(65500, 65500) << QSize(65500, 65500) << 8;
}

void JpegDisplayTest::scaleStaysWithinTheBudget() {
    QFETCH(QSize, natural);
    QFETCH(QSize, wanted);
    QFETCH(int, denominator);
    const int chosen = scaleDenominatorWithinBudget(
        natural, coveringScaleDenominator(natural, wanted), kPictureBudgetBytes);
    QCOMPARE(chosen, denominator);
    const QSize output = scaledOutputSize(natural, chosen);
    QVERIFY(fitsBudget(output.width(), output.height(), 4, kPictureBudgetBytes));
}

void JpegDisplayTest::drawOnAHugeTargetUsesTheDecode() {
    const Picture picture = loadJpeg(largePicture());
    QImage canvas(100, 100, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        painter.scale(100, 100);  // 160,000 x 120,000 device pixels: no scaled copy of that
        picture.draw(painter, QRectF(0, 0, 1600, 1200));
    }
    QVERIFY(jpegData(picture).screenState().scaledSize.isEmpty());
    QVERIFY(channelDistance(canvas.pixel(50, 50), quadrantColour(0).rgb()) <= 6);
}

// A paint never decodes once there is a decode: it draws that one scaled, says it is not
// prepared for the larger size, and prepare() makes the larger decode.
void JpegDisplayTest::drawUsesTheDecodeThereIsPrepareMakesALarger() {
    const Picture picture = loadJpeg(largePicture());
    (void)paint(picture, QSize(200, 150), 1.0, QRectF(0, 0, 200, 150));
    QCOMPARE(jpegData(picture).screenState().scaleDenominator, 8);
    QVERIFY(picture.isPreparedFor(QSize(200, 150)));
    QVERIFY(!picture.isPreparedFor(QSize(800, 600)));

    const QImage canvas = paint(picture, QSize(800, 600), 1.0, QRectF(0, 0, 800, 600));
    QCOMPARE(jpegData(picture).screenState().decodeCount, 1);
    QCOMPARE(jpegData(picture).screenState().scaledSize, QSize(800, 600));
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
        const QPoint at = quadrantCentre(QSize(800, 600), quadrant);
        QVERIFY(channelDistance(canvas.pixel(at), quadrantColour(quadrant).rgb()) <= 6);
    }

    picture.prepare(QSize(800, 600));
    QCOMPARE(jpegData(picture).screenState().scaleDenominator, 2);
    QVERIFY(picture.isPreparedFor(QSize(800, 600)));
}

void JpegDisplayTest::bytesGoOnceDecodedAndAreReadAgain() {
    int opens = 0;
    const Picture picture = loadJpeg(largePicture(), chunksOf(largePicture(), &opens));
    QCOMPARE(jpegData(picture).heldBytes().size(), largePicture().size());
    picture.prepare(QSize(200, 150));
    QVERIFY(jpegData(picture).heldBytes().isEmpty());
    QCOMPARE(opens, 0);

    picture.prepare(QSize(800, 600));  // the window grew
    QCOMPARE(opens, 1);
    QCOMPARE(jpegData(picture).screenState().scaleDenominator, 2);
    QVERIFY(jpegData(picture).heldBytes().isEmpty());

    const QImage full = picture.toImage();  // printing
    QCOMPARE(opens, 2);
    QCOMPARE(full.size(), QSize(1600, 1200));
    QVERIFY(channelDistance(full.pixel(1200, 900), quadrantColour(3).rgb()) <= 6);
}

// Loaded from the head of its file, a picture is decoded from the file read piece by piece,
// whatever the pieces' size, to the same pixels as from memory.
void JpegDisplayTest::decodedFromTheFileInPieces_data() {
    QTest::addColumn<bool>("progressive");
    QTest::addColumn<int>("chunk");
    QTest::newRow("baseline, 1 byte at a time") << false << 1;
    QTest::newRow("baseline, 4 KiB") << false << 4096;
    QTest::newRow("progressive, 7 bytes") << true << 7;
    QTest::newRow("progressive, 64 KiB") << true << 65536;
}

void JpegDisplayTest::decodedFromTheFileInPieces() {
    QFETCH(bool, progressive);
    QFETCH(int, chunk);
    EncodeOptions options;
    if (progressive) options.coding = Coding::Progressive;
    const QByteArray bytes = encodeRgb(detailedPattern(320, 240), options);
    int opens = 0;
    const Picture streamed = loadJpegFromHead(bytes.left(2000), chunksOf(bytes, &opens, chunk));
    QCOMPARE(streamed.size(), QSize(320, 240));
    QVERIFY(jpegData(streamed).heldBytes().isEmpty());
    int looks = 0;
    decodeForDisplay(streamed, QSize(160, 120), [&](const QImage&) { ++looks; });
    QCOMPARE(opens, 1);
    QCOMPARE(looks, progressive ? 1 : 0);
    const Picture inMemory = loadJpeg(bytes);
    QCOMPARE(streamed.toImage(), inMemory.toImage());
    QCOMPARE(opens, 2);
}

void JpegDisplayTest::pieceReadFailures_data() {
    QTest::addColumn<int>("failAt");
    QTest::addColumn<bool>("opens");
    QTest::newRow("at the start") << 0 << true;
    QTest::newRow("half way") << -2 << true;
    QTest::newRow("file gone") << -1 << false;
}

// A read error part way shows what was decoded and fails with libjpeg's read-error code; a file
// that cannot be opened again fails the same way. Neither throws into a paint.
void JpegDisplayTest::pieceReadFailures() {
    QFETCH(int, failAt);
    QFETCH(bool, opens);
    const QByteArray bytes = encodeRgb(quadrantPattern(320, 240));
    const qsizetype at = failAt == -2 ? bytes.size() / 2 : failAt;
    int opened = 0;
    const JpegReopen reopen =
        opens ? chunksOf(bytes, &opened, 1024, at) : JpegReopen([]() -> jpeg::ChunkReader {
            throw zarovia::Failure(QStringLiteral("gone"));
        });
    const Picture picture = loadJpegFromHead(bytes.left(1000), reopen);
    (void)paint(picture, QSize(320, 240), 1.0, QRectF(0, 0, 320, 240));
    QCOMPARE(jpegData(picture).screenState().failureCode, int(JERR_FILE_READ));
    QCOMPARE(failureTextOf([&] { decodeForDisplay(picture, QSize(320, 240)); }),
             jpegErrorText(JERR_FILE_READ));
}

void JpegDisplayTest::fileChangedSinceKeepsWhatIsShown() {
    int opens = 0;
    const Picture picture = loadJpeg(largePicture(), [&opens]() -> jpeg::ChunkReader {
        ++opens;
        throw zarovia::Failure(QStringLiteral("ストリームからの読み込みエラー"));
    });
    picture.prepare(QSize(200, 150));
    picture.prepare(QSize(800, 600));  // cannot be read again: the 1/8 decode stays
    QCOMPARE(opens, 1);
    QCOMPARE(jpegData(picture).screenState().scaleDenominator, 8);
    QCOMPARE(jpegData(picture).screenState().failureCode, 0);
    // Nothing more to prepare: the view does not ask again at every paint.
    QVERIFY(picture.isPreparedFor(QSize(800, 600)));
    picture.prepare(QSize(1600, 1200));
    QCOMPARE(opens, 1);
    // Printing needs the file: its failure is the error shown.
    QCOMPARE(failureTextOf([&] { (void)picture.toImage(); }),
             QStringLiteral("ストリームからの読み込みエラー"));
}

void JpegDisplayTest::failedDecodeKeepsItsBytes() {
    EncodeOptions options;
    options.coding = Coding::Progressive;
    const QByteArray damaged =
        withFatalTableAfterFirstScan(encodeRgb(quadrantPattern(640, 480), options));
    QVERIFY(!damaged.isEmpty());
    int opens = 0;
    const Picture picture = loadJpeg(damaged, chunksOf(damaged, &opens));
    picture.prepare(QSize(80, 60));
    QVERIFY(jpegData(picture).screenState().failureCode != 0);
    // Its failure is reported from the bytes at hand, and a larger decode needs no new read.
    QCOMPARE(jpegData(picture).heldBytes().size(), damaged.size());
    QVERIFY_THROWS_EXCEPTION(zarovia::Failure, (void)picture.toImageCovering(QSize(80, 60)));
    picture.prepare(QSize(320, 240));
    QCOMPARE(opens, 0);
}

#include "JpegLoadTest.h"
#include "support/TestInputs.h"

#include "JpegTestFiles.h"
#include "picture/jpeg/Jpeg.h"
#include "picture/jpeg/JpegPictureData.h"
#include "platform/Failure.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <optional>

using namespace zarovia::picture;
using namespace zarovia::picture::jpeg;
using namespace zarovia::picture::jpeg::test;

namespace {

// Copied fixtures first, then the shared corpus when it is there.
std::optional<QByteArray> readJpegFixture(const QString& name) {
    for (const QString& folder :
         {QStringLiteral(ZAROVIA_TEST_DATA "/jpeg/"), QStringLiteral(ZAROVIA_CORPUS "/jpeg/")}) {
        QFile file(folder + name);
        if (file.open(QIODevice::ReadOnly)) return file.readAll();
    }
    return std::nullopt;
}

// The libjpeg message code of a failed load, or 0 when it loaded.
int loadFailureCode(const QByteArray& bytes) {
    try {
        (void)loadJpeg(bytes);
        return 0;
    } catch (const zarovia::Failure& failure) {
        const QString prefix = QStringLiteral("JPEG エラー #");
        if (!failure.message().startsWith(prefix)) return -1;
        bool ok = false;
        const int code = failure.message().mid(prefix.size()).toInt(&ok);
        return ok ? code : -1;
    }
}

// The frame header's size fields rewritten; `frameMarker` is 0xC0 (baseline) or 0xC2 (progressive).
QByteArray withFrameSize(QByteArray jpeg, int width, int height, char frameMarker = '\xC0') {
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF", 1) + frameMarker);
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

QByteArray smallBaseline() {
    return encodeRgb(quadrantPattern(16, 16));
}

}  // namespace

void JpegLoadTest::failsWithLibjpegCode_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    const QByteArray good = smallBaseline();
    QTest::newRow("empty file: empty input") << QByteArray() << 42;
    QTest::newRow("PNG signature: not a JPEG")
        << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << 53;
    QTest::newRow("text: not a JPEG") << QByteArray("hello, world\n") << 53;
    QTest::newRow("SOI alone: no image") << QByteArray("\xFF\xD8", 2) << 51;
    QTest::newRow("height 0: empty image") << withFrameSize(good, 16, 0) << 32;
    QTest::newRow("width 0: empty image") << withFrameSize(good, 0, 16) << 32;
    QTest::newRow("65535 wide: libjpeg's limit") << withFrameSize(good, 65535, 16) << 41;
    QTest::newRow("16385 x 16384: above the pixel cap") << withFrameSize(good, 16385, 16384) << 41;
    QTest::newRow("two components: no RGB conversion") << encodeTwoComponents(16, 16) << 27;
}

void JpegLoadTest::failsWithLibjpegCode() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    QCOMPARE(loadFailureCode(bytes), code);
}

void JpegLoadTest::corpusFile_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");  // the upright size of a file that loads
    QTest::addColumn<int>("code");    // libjpeg's code of a file that fails at load
    const auto shows = [](const char* name, int w, int h) {
        QTest::newRow(name) << QString(name) << QSize(w, h) << 0;
    };
    const auto fails = [](const char* name, int code) {
        QTest::newRow(name) << QString(name) << QSize() << code;
    };
    shows("cjpeg_17x9_odd.jpg", 17, 9);
    shows("cjpeg_4000x16_wide.jpg", 4000, 16);
    shows("cjpeg_arithmetic_progressive.jpg", 640, 480);
    shows("cjpeg_baseline_422.jpg", 640, 480);
    shows("cjpeg_grayscale.jpg", 640, 480);
    shows("cjpeg_q100_444.jpg", 70, 46);
    shows("cjpeg_restart_3_blocks.jpg", 70, 46);
    shows("cjpeg_rgb_colorspace.jpg", 70, 46);
    shows("derived_baseline_truncated.jpg", 640, 480);
    shows("derived_garbage_in_scan.jpg", 640, 480);
    fails("derived_png_named_jpg.jpg", 53);
    shows("jpegtran_rotate90_logo.jpg", 480, 640);
    shows("jpegdec_16bit-qtables.jpg", 1, 1);
    shows("jpegdec_crash_dc-predictor-overflow.jpg", 144, 144);
    fails("jpegdec_crash_empty.jpg", 42);
    fails("jpegdec_crash_invalid-dimensions.jpg", 32);
    fails("jpegdec_crash_max_size.jpg", 41);
    fails("jpegdec_crash_missing-sof.jpg", 51);
    shows("jpegdec_crash_multiple-0xff-before-eoi.jpg", 640, 480);
    shows("jpegdec_crash_subtract-with-overflow.jpg", 546, 340);
    shows("jpegdec_extraneous-data.jpg", 16, 16);
    shows("jpegdec_grayscale_24x16_sampling2x2.jpg", 24, 16);
    shows("jpegdec_grayscale_long.jpg", 1, 1000);
    shows("jpegdec_icc_icc_chunk_count_mismatch.jpeg", 1, 1);
    shows("jpegdec_icc_icc_chunk_order.jpeg", 1, 1);
    shows("jpegdec_icc_icc_missing_chunk.jpeg", 1, 1);
    fails("jpegdec_its_2183d39878e734cf79b62428b02fafb5.jpg", 5);
    fails("jpegdec_its_28968137f4fc75fbf56f16d7a7a8551a.jpg", 32);
    fails("jpegdec_its_3ba6af611cc5467cfdbd5566561b8478.jpg", 5);
    shows("jpegdec_its_3ef05501315073d9d4e1c6b654d99ac0.jpg", 156, 5);
    fails("jpegdec_its_5633ed9d0eb700d0093bf85d86a95ebf.jpg", 62);
    shows("jpegdec_its_59d3b529c78ac722127c41ba75b3355b.jpg", 177, 30);
    shows("jpegdec_its_5baad44ca4702949724234e35c5bb341.jpg", 257, 8197);
    fails("jpegdec_its_754664a12e36abff7950e796c906ae39.jpg", 59);
    fails("jpegdec_its_8e330afbd99ba01b66570ed62fcdc6ab.jpg", 8);
    fails("jpegdec_its_c8bc97335529d069a753c67475b8c82c.jpg", 11);
    fails("jpegdec_its_de4ae285a275bcfe2ac87c0126742552.jpg", 28);
    fails("jpegdec_its_f012a4321f00f12af6b1eee7580ffb9c.jpg", 53);
    fails("jpegdec_lossless_1_jpeg_lossless_sel1.jpg", 60);
    shows("jpegdec_mjpeg.jpg", 960, 720);
    shows("jpegdec_mozilla_jpg-cmyk-2.jpg", 256, 256);
    shows("jpegdec_mozilla_jpg-progressive.jpg", 32, 32);
    shows("jpegdec_mozilla_jpg-size-16x16.jpg", 16, 16);
    shows("jpegdec_mozilla_jpg-size-1x1.jpg", 1, 1);
    shows("jpegdec_mozilla_jpg-size-31x31.jpg", 31, 31);
    shows("jpegdec_mozilla_jpg-size-33x33.jpg", 33, 33);
    shows("jpegdec_mozilla_jpg-size-4x4.jpg", 4, 4);
    fails("jpegdec_mozilla_jpg-size-6x6.jpg", 53);
    shows("jpegdec_mozilla_jpg-size-8x8.jpg", 8, 8);
    shows("jpegdec_mozilla_jpg-srgb-icc.jpg", 1, 1);
    shows("jpegdec_partial_progressive.jpg", 4, 4);
    shows("jpegdec_progressive-missing-dc.jpg", 8, 8);
    shows("jpegdec_restarts.jpg", 33, 33);
    shows("jpegdec_ycck.jpg", 500, 333);
    shows("ljt_testimgari.jpg", 227, 149);
    shows("ljt_testorig.jpg", 227, 149);
    shows("magick_cmyk_from_testorig.jpg", 227, 149);
    shows("pillow_flower.jpg", 480, 360);
    shows("pillow_hopper_16bit_qtables.jpg", 128, 128);
    shows("pillow_hopper_orientation_6.jpg", 128, 128);
    shows("pillow_invalid-exif.jpg", 200, 200);
    shows("pillow_jfif_unit_cm.jpg", 1, 1);
    shows("pillow_multiple_exif.jpg", 1, 1);
    shows("pillow_rgb.jpg", 100, 100);
    shows("pillow_truncated_app14.jpg", 100, 100);
    shows("pillow_ultrahdr.jpg", 1512, 2688);
}

void JpegLoadTest::corpusFile() {
    QFETCH(QString, file);
    QFETCH(QSize, size);
    QFETCH(int, code);
    const std::optional<QByteArray> bytes = readJpegFixture(file);
    ZAROVIA_REQUIRE_INPUT(bytes.has_value(), file);
    QCOMPARE(loadFailureCode(*bytes), code);
    if (code != 0) return;

    const Picture picture = loadJpeg(*bytes);
    QCOMPARE(picture.kind(), PictureKind::Jpeg);
    QCOMPARE(picture.size(), size);
    // Warnings (cut files, garbage in a scan) are no failure: the picture shows.
    decodeForDisplay(picture, QSize(64, 48));
    const QImage full = picture.toImage();
    QCOMPARE(full.size(), size);
    QCOMPARE(full.format(), QImage::Format_RGB32);
}

void JpegLoadTest::loadReadsTheHeaderOnly() {
    QByteArray bytes = encodeRgb(quadrantPattern(256, 192));
    const qsizetype scan = scanDataOffset(bytes);
    QVERIFY(scan > 0);
    // Scan data replaced by noise (never 0xFF, so no marker appears): only decoding notices.
    quint32 seed = 12345;
    for (qsizetype i = scan; i < bytes.size() - 2; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = static_cast<char>((seed >> 16) % 255);
    }
    const Picture picture = loadJpeg(bytes);
    QCOMPARE(picture.size(), QSize(256, 192));
    QCOMPARE(jpegData(picture).screenState().decodeCount, 0);

    decodeForDisplay(picture, QSize(64, 48));  // corrupt data: libjpeg only warns
    QCOMPARE(jpegData(picture).screenState().decodeCount, 1);

    // A file cut right after its scan header loads just the same.
    const Picture headerOnly = loadJpeg(bytes.left(scan));
    QCOMPARE(headerOnly.size(), QSize(256, 192));
}

void JpegLoadTest::keepsTheFileBytesShared() {
    const QByteArray bytes = smallBaseline();
    const Picture picture = loadJpeg(bytes);
    QCOMPARE(jpegData(picture).heldBytes().constData(), bytes.constData());
    const Picture copy = picture;
    QVERIFY(copy.sharesDataWith(picture));
}

void JpegLoadTest::fatalErrorInScansFailsAtDecodeNotAtLoad() {
    EncodeOptions options;
    options.coding = Coding::Progressive;
    const QByteArray bytes =
        withFatalTableAfterFirstScan(encodeRgb(quadrantPattern(64, 48), options));
    QVERIFY(!bytes.isEmpty());

    const Picture picture = loadJpeg(bytes);
    QCOMPARE(picture.size(), QSize(64, 48));

    QImage canvas(64, 48, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        picture.draw(painter, QRectF(0, 0, 64, 48));  // must not throw into a paint event
    }
    QVERIFY(channelDistance(canvas.pixel(10, 10), qRgb(128, 128, 128)) <= 2);
    QCOMPARE(jpegData(picture).screenState().failureCode, 8);

    QCOMPARE(failureTextOf([&] { decodeForDisplay(picture, QSize(64, 48)); }),
             QStringLiteral("JPEG エラー #8"));
    QCOMPARE(failureTextOf([&] { (void)picture.toImage(); }), QStringLiteral("JPEG エラー #8"));
}

void JpegLoadTest::progressiveAboveMemoryCapFailsAtDecode() {
    EncodeOptions options;
    options.coding = Coding::Progressive;
    // 16384 x 16384 at full chroma keeps 1.5 GiB of coefficients: above libjpeg's cap.
    const QByteArray bytes =
        withFrameSize(encodeRgb(quadrantPattern(16, 16), options), 16384, 16384, '\xC2');
    const Picture picture = loadJpeg(bytes);
    QCOMPARE(picture.size(), QSize(16384, 16384));
    try {
        decodeForDisplay(picture, QSize(64, 64));
        QFAIL("no failure");
    } catch (const zarovia::Failure& failure) {
        QCOMPARE(failure.message(), QStringLiteral("JPEG エラー #49"));  // no backing store
    }
    // At full size it would not fit the picture budget either: refused before decoding.
    try {
        (void)picture.toImage();
        QFAIL("no failure");
    } catch (const zarovia::Failure& failure) {
        QCOMPARE(failure.message(), QStringLiteral("JPEG エラー #41"));  // image too big
    }
}

void JpegLoadTest::endlessScansAreCut() {
    EncodeOptions options;
    options.coding = Coding::Progressive;
    const QByteArray good = encodeRgb(quadrantPattern(16, 16), options);
    const qsizetype lastScan = good.lastIndexOf(QByteArray("\xFF\xDA", 2));
    const qsizetype end = good.lastIndexOf(QByteArray("\xFF\xD9", 2));
    const QByteArray scan = good.mid(lastScan, end - lastScan);
    // The last refinement scan repeated: libjpeg only warns about each repetition.
    const QByteArray many = good.left(end) + scan.repeated(1100) + good.mid(end);
    const QByteArray fewer = good.left(end) + scan.repeated(900) + good.mid(end);
    QCOMPARE(loadJpeg(fewer).toImage().size(), QSize(16, 16));
    const Picture picture = loadJpeg(many);
    try {
        decodeForDisplay(picture, QSize(16, 16));
        QFAIL("no failure");
    } catch (const zarovia::Failure& failure) {
        QCOMPARE(failure.message(), QStringLiteral("JPEG エラー #16"));  // bad progression
    }
}

void JpegLoadTest::truncatedFileShowsTheRestGrey() {
    const QByteArray whole = encodeRgb(quadrantPattern(256, 256));
    const qsizetype scan = scanDataOffset(whole);
    const QByteArray cut = whole.left(scan + (whole.size() - scan) * 4 / 10);
    const Picture picture = loadJpeg(cut);
    decodeForDisplay(picture, QSize(256, 256));
    const QImage image = picture.toImage();
    QVERIFY(channelDistance(image.pixel(20, 20), quadrantColour(0).rgb()) <= 8);
    QVERIFY(channelDistance(image.pixel(250, 250), qRgb(128, 128, 128)) <= 2);
}

void JpegLoadTest::everyPrefixFailsCleanlyOrShows_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QImage pattern = quadrantPattern(40, 24);
    EncodeOptions progressive;
    progressive.coding = Coding::Progressive;
    EncodeOptions arithmetic;
    arithmetic.coding = Coding::Arithmetic;
    arithmetic.restartRows = 1;
    QTest::newRow("baseline") << encodeRgb(pattern);
    QTest::newRow("progressive") << encodeRgb(pattern, progressive);
    QTest::newRow("arithmetic with restarts") << encodeRgb(pattern, arithmetic);
    QTest::newRow("YCCK") << encodeCmyk(pattern, true, true);
    QTest::newRow("EXIF rotated") << withExifOrientation(encodeGray(pattern), 6, true);
    if (const std::optional<QByteArray> file =
            readJpegFixture("jpegdec_mozilla_jpg-progressive.jpg"))
        QTest::newRow("progressive from another encoder") << *file;
}

void JpegLoadTest::everyPrefixFailsCleanlyOrShows() {
    QFETCH(QByteArray, bytes);
    for (qsizetype length = 0; length <= bytes.size(); ++length) {
        const QByteArray prefix = bytes.left(length);
        const int code = loadFailureCode(prefix);
        QVERIFY2(code >= 0, qPrintable(QStringLiteral("length %1").arg(length)));
        if (code != 0) continue;
        const Picture picture = loadJpeg(prefix);
        picture.prepare(QSize(8, 8));
        try {
            QCOMPARE(picture.toImage().size(), picture.size());
        } catch (const zarovia::Failure& failure) {
            QVERIFY(failure.message().startsWith(QStringLiteral("JPEG エラー #")));
        }
    }
}

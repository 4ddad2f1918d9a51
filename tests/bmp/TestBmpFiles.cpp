// Real files: the good ones decode to their size (and to Qt's pixels where Qt reads them right),
// the bad ones fail with their text or show a partial picture, every truncated prefix fails
// cleanly.
#include "Fixtures.h"
#include "picture/bmp/Bmp.h"
#include "picture/bmp/Ico.h"
#include "picture/colour/ColourRaster.h"
#include "support/TestInputs.h"

#include <QPainter>
#include <QTest>

using namespace zarovia::picture;
using namespace zarovia::bmptest;

namespace {

// The pixels as the file holds them: a picture with a colour profile prints converted, which
// the colour tests check.
QImage decodeFile(const QString& relative, const QByteArray& bytes) {
    const Picture picture =
        relative.endsWith(QLatin1String(".ico")) ? decodeIcoFile(bytes) : decodeBmpFile(bytes);
    if (const auto* profiled = dynamic_cast<const colour::ColourRasterPictureData*>(picture.data()))
        return profiled->sourceImage();
    return picture.toImage();
}

// Pixels that differ between two images; fully transparent pixels match whatever colour.
int differingPixels(const QImage& a, const QImage& b, int tolerance) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            if (qAlpha(p) == 0 && qAlpha(q) == 0) continue;
            if (std::abs(qRed(p) - qRed(q)) > tolerance ||
                std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > tolerance ||
                std::abs(qAlpha(p) - qAlpha(q)) > tolerance)
                ++count;
        }
    return count;
}

const char* const kGoodFiles[][3] = {
    // file, size, "qt" when Qt's own reader gives the same pixels
    {"bmp/im_1x1_rgb24.bmp", "1x1", "qt"},
    {"bmp/im_7x3_black_bottomleft.bmp", "7x3", "qt"},
    {"bmp/im_bmp3_gray_pal8.bmp", "640x480", "qt"},
    {"bmp/im_bmp3_pal4.bmp", "640x480", "qt"},
    {"bmp/im_bmp3_pal8_rle8.bmp", "640x480", "qt"},
    {"bmp/im_rgb555.bmp", "70x46", ""},
    {"bmp/im_v5_argb32_alpha_ramp.bmp", "70x46", "qt"},
    {"bmp/netpbm_os2_bpp8.bmp", "70x46", "qt"},
    {"bmp/netpbm_win_bpp4.bmp", "70x46", "qt"},
    {"bmp/imagers_Core_4_Bit.bmp", "435x353", "qt"},
    {"bmp/imagers_Info_1_Bit.bmp", "6x6", "qt"},
    {"bmp/imagers_Info_4_Bit.bmp", "6x6", "qt"},
    {"bmp/imagers_Info_8_Bit.bmp", "6x6", "qt"},
    {"bmp/imagers_Info_A8_R8_G8_B8.bmp", "6x6", "qt"},
    {"bmp/imagers_Info_R8_G8_B8.bmp", "6x6", "qt"},
    {"bmp/imagers_Info_X1_R5_G5_B5.bmp", "6x6", ""},
    {"bmp/imagers_V3_A1_R5_G5_B5.bmp", "6x6", ""},
    {"bmp/imagers_V3_A4_R4_G4_B4.bmp", "6x6", ""},
    {"bmp/imagers_V3_R5_G6_B5.bmp", "6x6", ""},
    {"bmp/imagers_V3_X4_R4_G4_B4.bmp", "6x6", ""},
    {"bmp/imagers_V3_X8_R8_G8_B8.bmp", "6x6", ""},
    {"bmp/imagers_V4_24_Bit.bmp", "435x353", "qt"},
    {"bmp/imagers_V4_R5_G6_B5.bmp", "16x16", ""},
    {"bmp/imagers_V5_A1_R5_G5_B5.bmp", "16x16", ""},
    {"bmp/ljt_shira_bird8.bmp", "192x144", "qt"},
    {"bmp/ljt_vgl_6548_0026a.bmp", "128x95", "qt"},
    {"bmp/bmpsuite_g_pal1.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_g_pal1wb.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_g_pal4rle.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_g_pal8.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_g_pal8os2.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_g_pal8topdown.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_g_pal8v5.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_g_pal8w125.bmp", "125x62", "qt"},
    {"bmp/bmpsuite_g_rgb16-565.bmp", "127x64", ""},
    {"bmp/bmpsuite_g_rgb16.bmp", "127x64", ""},
    {"bmp/bmpsuite_g_rgb24pal.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_g_rgb32bf.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_q_pal1p1.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_q_pal4rletrns.bmp", "127x64", ""},
    {"bmp/bmpsuite_q_pal8os2sp.bmp", "127x64", ""},
    {"bmp/bmpsuite_q_pal8os2v2.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_q_pal8rletrns.bmp", "127x64", ""},
    {"bmp/bmpsuite_q_rgb24lprof.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_q_rgb24prof.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_q_rgb32bf-xbgr.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_q_rgb32h52.bmp", "127x64", ""},
    {"bmp/bmpsuite_q_rgba32.bmp", "127x64", "qt"},
    {"bmp/bmpsuite_q_rgba32h56.bmp", "127x64", ""},
    {"bmp/imagers_pal4rlecut.bmp", "127x64", ""},
    {"bmp/imagers_pal8os2-sz.bmp", "127x64", "qt"},
    {"bmp/imagers_rgb24rle24.bmp", "127x64", ""},
    {"bmp/imagers_rgba32-61754.bmp", "127x64", ""},
    {"bmp/pillow_hopper.bmp", "128x128", "qt"},
    {"bmp/pillow_hopper_rle8_grayscale.bmp", "256x10", "qt"},
    {"bmp/pillow_rgb32bf-abgr.bmp", "127x64", "qt"},
    {"ico/icotool_32x32_bpp1.ico", "32x32", "qt"},
    {"ico/icotool_32x32_bpp8.ico", "32x32", "qt"},
    {"ico/icotool_32x32_bpp32.ico", "32x32", "qt"},
    {"ico/im_multi_256_48_32_16.ico", "256x256", "qt"},
    {"ico/imagers_bmp-24bpp-mask.ico", "32x32", ""},
    {"ico/imagers_bmp_v5_with_icc.ico", "127x64", ""},
    {"ico/imagers_multiple_entries_with_different_bit_depth.ico", "48x48", ""},
    {"ico/imagers_png_l8.ico", "32x32", "qt"},
    {"ico/imagers_smile.ico", "32x32", "qt"},
    {"ico/pillow_black_and_white.ico", "16x16", "qt"},
    {"ico/pillow_hopper_256x256.ico", "256x256", "qt"},
    {"ico/pillow_hopper_mask.ico", "16x16", "qt"},
    {"ico/pillow_python.ico", "48x48", ""},
};

QSize parseSize(const char* text) {
    const QStringList parts = QString::fromLatin1(text).split(QLatin1Char('x'));
    return QSize(parts[0].toInt(), parts[1].toInt());
}

}  // namespace

class TestBmpFiles : public QObject {
    Q_OBJECT

private slots:
    void goodFiles_data();
    void goodFiles();
    void badFiles_data();
    void badFiles();
    void samePicture_data();
    void samePicture();
    void knownPixels();
    void blackBottomLeftStaysBlack();
    void truncatedPrefixes_data();
    void truncatedPrefixes();
};

void TestBmpFiles::goodFiles_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("qtAgrees");
    for (const auto& row : kGoodFiles)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << parseSize(row[1])
                              << (QByteArray(row[2]) == "qt");
}

void TestBmpFiles::goodFiles() {
    QFETCH(QString, file);
    QFETCH(QSize, size);
    QFETCH(bool, qtAgrees);
    const QByteArray bytes = readFixture(file);
    ZAROVIA_REQUIRE_INPUT(!bytes.isEmpty(), file);
    QImage image;
    const QString failure = failureText([&] { image = decodeFile(file, bytes); });
    QCOMPARE(failure, QString());
    QCOMPARE(image.size(), size);
    const bool icon = file.endsWith(QLatin1String(".ico"));
    QCOMPARE(image.format(), icon ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (qtAgrees) {
        QImage reference = QImage::fromData(bytes);
        QVERIFY(!reference.isNull());
        if (!icon) reference = reference.convertToFormat(QImage::Format_RGB32);
        QCOMPARE(differingPixels(image, reference, 1), 0);
    }
}

void TestBmpFiles::badFiles_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("failure");  // empty: shows a (partial) picture of `size`
    QTest::addColumn<QSize>("size");
    auto fails = [](const char* file, const QString& text) {
        QTest::newRow(file) << QString::fromLatin1(file) << text << QSize();
    };
    auto shows = [](const char* file, QSize size) {
        QTest::newRow(file) << QString::fromLatin1(file) << QString() << size;
    };
    fails("bmp/derived_empty_0b.bmp", kReadError);
    fails("bmp/derived_rgb24_bad_magic_XX.bmp", kMalformedBitmap);
    fails("bmp/derived_rgb24_huge_width.bmp", kMalformedBitmap);
    fails("bmp/derived_text_named_bmp.bmp", kMalformedBitmap);
    fails("bmp/bmpsuite_b_badbitcount.bmp", kMalformedBitmap);
    fails("bmp/bmpsuite_b_rletopdown.bmp", kMalformedBitmap);
    fails("bmp/bmpsuite_q_rgb24jpeg.bmp", kMalformedBitmap);  // embedded JPEG is not shown
    shows("bmp/bmpsuite_b_baddens1.bmp", QSize(127, 64));
    shows("bmp/bmpsuite_b_badfilesize.bmp", QSize(127, 64));
    shows("bmp/bmpsuite_b_badpalettesize.bmp", QSize(127, 64));
    shows("bmp/bmpsuite_b_badrle.bmp", QSize(127, 64));
    shows("bmp/bmpsuite_b_pal8badindex.bmp", QSize(127, 64));
    shows("bmp/imagers_imagemagick_invalid_run_length_issue_2321.bmp", QSize(25, 22));
    shows("bmp/imagers_lenient_rgb16-880.bmp", QSize(127, 64));
    shows("bmp/pillow_hopper_rle8_row_overflow.bmp", QSize(128, 128));
    fails("ico/derived_count_zero.ico", kMalformedIcon);
    fails("ico/derived_offset_past_eof.ico", kMalformedIcon);
    shows("ico/imagers_bmp-32bpp-conflicting-and-mask.ico", QSize(16, 16));
    shows("ico/imagers_truncated_mask_32bpp.ico", QSize(64, 64));
}

void TestBmpFiles::badFiles() {
    QFETCH(QString, file);
    QFETCH(QString, failure);
    QFETCH(QSize, size);
    const QString path = fixturePath(file);
    ZAROVIA_REQUIRE_INPUT(!path.isEmpty(), file);
    const QByteArray bytes = readFixture(file);
    QImage image;
    QCOMPARE(failureText([&] { image = decodeFile(file, bytes); }), failure);
    if (failure.isEmpty()) QCOMPARE(image.size(), size);
}

// Files that store one picture in different ways must decode to the same pixels.
void TestBmpFiles::samePicture_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<int>("tolerance");
    auto row = [](const char* file, const char* reference, int tolerance) {
        QTest::newRow(file) << QString::fromLatin1(file) << QString::fromLatin1(reference)
                            << tolerance;
    };
    row("bmp/bmpsuite_g_pal1wb.bmp", "bmp/bmpsuite_g_pal1.bmp", 0);
    row("bmp/bmpsuite_g_pal8topdown.bmp", "bmp/bmpsuite_g_pal8.bmp", 0);
    row("bmp/bmpsuite_g_pal8v5.bmp", "bmp/bmpsuite_g_pal8.bmp", 0);
    row("bmp/bmpsuite_g_pal8os2.bmp", "bmp/bmpsuite_g_pal8.bmp", 0);
    row("bmp/bmpsuite_q_pal8os2v2.bmp", "bmp/bmpsuite_g_pal8.bmp", 0);
    row("bmp/bmpsuite_q_pal8os2sp.bmp", "bmp/bmpsuite_g_pal8.bmp", 0);  // short palette
    row("bmp/imagers_rgb24rle24.bmp", "bmp/bmpsuite_g_pal8.bmp", 0);    // OS/2 RLE24
    row("bmp/bmpsuite_b_badpalettesize.bmp", "bmp/bmpsuite_g_pal8.bmp", 0);
    row("bmp/bmpsuite_q_rgb32h52.bmp", "bmp/bmpsuite_g_rgb32bf.bmp", 0);
    row("bmp/bmpsuite_q_rgb32bf-xbgr.bmp", "bmp/bmpsuite_g_rgb32bf.bmp", 0);
    row("bmp/pillow_rgb32bf-abgr.bmp", "bmp/bmpsuite_g_rgb32bf.bmp", 0);
    row("bmp/bmpsuite_q_rgb24prof.bmp", "bmp/bmpsuite_g_rgb32bf.bmp", 0);
    row("bmp/bmpsuite_q_rgba32h56.bmp", "bmp/bmpsuite_q_rgba32.bmp", 0);
    row("bmp/bmpsuite_g_rgb16-565.bmp", "bmp/bmpsuite_g_rgb16.bmp", 8);
    row("bmp/imagers_V3_R5_G6_B5.bmp", "bmp/imagers_Info_R8_G8_B8.bmp", 8);
    row("bmp/imagers_V3_X8_R8_G8_B8.bmp", "bmp/imagers_Info_R8_G8_B8.bmp", 0);
    row("bmp/imagers_Info_X1_R5_G5_B5.bmp", "bmp/imagers_Info_R8_G8_B8.bmp", 8);
    row("ico/imagers_bmp_v5_with_icc.ico", "bmp/bmpsuite_q_rgb24prof.bmp", 0);
}

void TestBmpFiles::samePicture() {
    QFETCH(QString, file);
    QFETCH(QString, reference);
    QFETCH(int, tolerance);
    const QByteArray a = readFixture(file);
    const QByteArray b = readFixture(reference);
    ZAROVIA_REQUIRE_INPUT(!a.isEmpty() && !b.isEmpty(), file + QStringLiteral(" and ") + reference);
    const QImage image = decodeFile(file, a);
    const QImage expected = decodeFile(reference, b);
    QCOMPARE(image.size(), expected.size());
    QCOMPARE(differingPixels(image, expected, tolerance), 0);
}

void TestBmpFiles::knownPixels() {
    // 16-bit 5-5-5 and 5-6-5: the whitest pixel is full white, not 248.
    for (const char* file : {"bmp/bmpsuite_g_rgb16.bmp", "bmp/bmpsuite_g_rgb16-565.bmp"}) {
        const QImage image =
            decodeFile(QString::fromLatin1(file), readFixture(QString::fromLatin1(file)));
        int whitest = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                whitest = std::max(whitest, qRed(p) + qGreen(p) + qBlue(p));
            }
        QCOMPARE(whitest, 3 * 255);
    }
    // 1 bit: only the two palette colours.
    const QImage pal1 =
        decodeBmpFile(readFixture(QStringLiteral("bmp/bmpsuite_g_pal1.bmp"))).toImage();
    int black = 0;
    int white = 0;
    for (int y = 0; y < pal1.height(); ++y)
        for (int x = 0; x < pal1.width(); ++x) {
            const QRgb p = pal1.pixel(x, y);
            if (p == qRgb(0, 0, 0))
                ++black;
            else if (p == qRgb(255, 255, 255))
                ++white;
        }
    QVERIFY(black > 0 && white > 0);
    QCOMPARE(black + white, 127 * 64);
    // The 1x1 file: blue 0x00, green 0x00, red 0xFF stored as B, G, R.
    const QByteArray one = readFixture(QStringLiteral("bmp/im_1x1_rgb24.bmp"));
    const QImage onePixel = decodeBmpFile(one).toImage();
    QCOMPARE(onePixel.pixel(0, 0),
             qRgb(static_cast<unsigned char>(one[56]), static_cast<unsigned char>(one[55]),
                  static_cast<unsigned char>(one[54])));
}

void TestBmpFiles::blackBottomLeftStaysBlack() {
    const Picture picture =
        decodeBmpFile(readFixture(QStringLiteral("bmp/im_7x3_black_bottomleft.bmp")));
    QCOMPARE(picture.kind(), PictureKind::Bitmap);
    const QImage image = picture.toImage();
    QCOMPARE(image.pixel(0, 2), qRgb(0, 0, 0));
    QVERIFY(!image.hasAlphaChannel());
    // Drawn over white, black pixels stay black: nothing is keyed out.
    QImage canvas(image.size(), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) QCOMPARE(canvas.pixel(x, y), image.pixel(x, y));
}

void TestBmpFiles::truncatedPrefixes_data() {
    QTest::addColumn<QString>("file");
    for (const auto& row : kGoodFiles) QTest::newRow(row[0]) << QString::fromLatin1(row[0]);
}

void TestBmpFiles::truncatedPrefixes() {
    QFETCH(QString, file);
    const QByteArray bytes = readFixture(file);
    ZAROVIA_REQUIRE_INPUT(!bytes.isEmpty(), file);
    const bool icon = file.endsWith(QLatin1String(".ico"));
    const QStringList allowed =
        icon ? QStringList{kMalformedIcon, kReadError} : QStringList{kMalformedBitmap, kReadError};
    const QString bad = checkPrefixes(
        bytes, [&](const QByteArray& prefix) { (void)decodeFile(file, prefix); }, allowed);
    QCOMPARE(bad, QString());
}

int runTestBmpFiles(int argc, char** argv) {
    TestBmpFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestBmpFiles.moc"

// Decoded pictures through their profiles, compared patch by patch with what Little CMS's own
// tools make of the same pixels; the screen copy follows the display's profile.

#include "picture/bmp/Bmp.h"
#include "picture/bmp/Ico.h"
#include "picture/colour/ColourRaster.h"
#include "picture/colour/DisplayColour.h"
#include "picture/jpeg/Jpeg.h"
#include "picture/jpeg/JpegPictureData.h"
#include "support/CmykJpeg.h"
#include "support/ColourFiles.h"
#include "support/LcmsTools.h"
#include "support/TestInputs.h"

#include <QBuffer>
#include <QColorSpace>
#include <QPainter>
#include <QtTest>

using namespace zarovia::picture;
using namespace zarovia::picture::colour;
using namespace zarovia::colourtest;

namespace {

const std::vector<QRgb> kColours = {qRgb(255, 0, 0),    qRgb(0, 255, 0),    qRgb(0, 0, 255),
                                    qRgb(200, 150, 40), qRgb(30, 90, 160),  qRgb(240, 240, 240),
                                    qRgb(20, 20, 20),   qRgb(128, 128, 128)};

QString describe(QRgb c) {
    return QStringLiteral("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// Every patch of `got` within `tolerance` levels of `want`'s.
void comparePatches(const QImage& got, const QImage& want, int tolerance) {
    QVERIFY(!got.isNull());
    QVERIFY(!want.isNull());
    const int n = int(kColours.size());
    for (int i = 0; i < n; ++i) {
        const QRgb a = patchCentre(got, i, n), b = patchCentre(want, i, n);
        const int worst = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                    std::abs(qBlue(a) - qBlue(b))});
        QVERIFY2(worst <= tolerance,
                 qPrintable(
                     QStringLiteral("patch %1: %2, want %3").arg(i).arg(describe(a), describe(b))));
    }
}

QByteArray iconWithPng(const QByteArray& png, int side) {
    QByteArray ico;
    putU16(ico, 0);
    putU16(ico, 1);
    putU16(ico, 1);
    ico.append(char(side)).append(char(side)).append(char(0)).append(char(0));
    putU16(ico, 1);
    putU16(ico, 32);
    putU32(ico, quint32(png.size()));
    putU32(ico, 6 + 16);
    return ico + png;
}

}  // namespace

class TestColourPictures : public QObject {
    Q_OBJECT

private slots:
    void init() { setDisplayProfile({}); }
    void cleanupTestCase() { setDisplayProfile({}); }

    // A version 5 bitmap with a profile embedded prints (sRGB) as tificc converts its pixels.
    void bmpEmbedded_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Adobe RGB") << "AdobeRGB1998.icc";
        QTest::newRow("ProPhoto") << "ProPhotoRGB.icc";
        QTest::newRow("swapped red and green") << "SwappedRedAndGreen.icc";
    }
    void bmpEmbedded() {
        QFETCH(QString, name);
        const QString path = installedProfile(name);
        ZAROVIA_REQUIRE_INPUT(!path.isEmpty() && haveTool("tificc"), name + " and tificc");
        const QImage source = patches(kColours, 8);
        BmpColour colour;
        colour.csType = 0x4D424544;  // embedded
        colour.profile = readFile(path);
        const Picture picture = decodeBmpFile(bmpV5(source, colour));
        QVERIFY(!profileOf(picture).isNull());
        comparePatches(picture.toImage(), tificcToSrgb(source, path), 2);
    }

    // Calibrated endpoints and gammas taken from the Adobe RGB profile give what tificc gives
    // with that profile.
    void bmpCalibrated() {
        const QString path = installedProfile(QStringLiteral("AdobeRGB1998.icc"));
        ZAROVIA_REQUIRE_INPUT(!path.isEmpty() && haveTool("tificc"), "AdobeRGB1998.icc and tificc");
        const QImage source = patches(kColours, 8);
        const CalibratedRgb calibrated = calibratedFromProfile(readFile(path));
        BmpColour colour;
        colour.csType = 0;  // calibrated RGB
        for (int i = 0; i < 3; ++i) {
            colour.endpoints[i] = {calibrated.primaries[i].x, calibrated.primaries[i].y,
                                   calibrated.primaries[i].z};
            colour.gamma[i] = calibrated.gamma[i];
        }
        const Picture picture = decodeBmpFile(bmpV5(source, colour));
        QVERIFY(!profileOf(picture).isNull());
        comparePatches(picture.toImage(), tificcToSrgb(source, path), 2);
    }

    // A real file (a bitmap test suite's version 5 bitmap with a black-scaled sRGB profile):
    // every pixel as tificc converts it through the embedded profile.
    void realBitmapWithProfile() {
        const QByteArray file =
            readFile(QStringLiteral(ZAROVIA_TEST_DATA "/bmp/bmpsuite_q_rgb24prof.bmp"));
        ZAROVIA_REQUIRE_INPUT(!file.isEmpty() && haveTool("tificc"),
                              "bmpsuite_q_rgb24prof.bmp and tificc");
        const Picture picture = decodeBmpFile(file);
        const ColourProfile profile = profileOf(picture);
        QVERIFY(!profile.isNull());
        QVERIFY(profile.description().contains(QLatin1String("sRGB")));
        QTemporaryDir dir;
        QFile icc(dir.filePath(QStringLiteral("embedded.icc")));
        QVERIFY(icc.open(QIODevice::WriteOnly));
        icc.write(profile.icc());
        icc.close();
        const auto* data = dynamic_cast<const ColourRasterPictureData*>(picture.data());
        const QImage want = tificcToSrgb(data->sourceImage(), icc.fileName());
        const QImage got = picture.toImage();
        QCOMPARE(got.size(), want.size());
        int worst = 0;
        for (int y = 0; y < got.height(); ++y)
            for (int x = 0; x < got.width(); ++x) {
                const QRgb a = got.pixel(x, y), b = want.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)),
                                  std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            }
        QVERIFY2(worst <= 2, qPrintable(QString::number(worst)));
    }

    // A JPEG tagged with a profile in several APP2 chunks prints (sRGB) as jpgicc converts it.
    void jpegTagged_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Adobe RGB") << "AdobeRGB1998.icc";
        QTest::newRow("ProPhoto") << "ProPhotoRGB.icc";
        QTest::newRow("swapped red and green") << "SwappedRedAndGreen.icc";
    }
    void jpegTagged() {
        QFETCH(QString, name);
        const QString path = installedProfile(name);
        ZAROVIA_REQUIRE_INPUT(!path.isEmpty() && haveTool("jpgicc"), name + " and jpgicc");
        const QImage source = patches(kColours, 16);
        // In four chunks stored out of order.
        const QByteArray icc = readFile(path);
        const QByteArray jpeg =
            jpegWith(source, iccSegments(icc, int(icc.size() + 3) / 4, {1, 0, 3, 2}));
        const Picture picture = loadJpeg(jpeg);
        const auto* data = dynamic_cast<const jpeg::JpegPictureData*>(picture.data());
        QVERIFY(!data->header().profile.isNull());
        comparePatches(picture.toImage(), jpgiccToSrgb(jpeg), 2);
    }

    void jpegSwappedRedShowsGreen() {
        const QString path = installedProfile(QStringLiteral("SwappedRedAndGreen.icc"));
        ZAROVIA_REQUIRE_INPUT(!path.isEmpty(), "colord-data: SwappedRedAndGreen.icc");
        const QByteArray jpeg =
            jpegWith(patches({qRgb(255, 0, 0)}, 16), iccSegments(readFile(path), 60000));
        const Picture picture = loadJpeg(jpeg);
        picture.prepare(QSize(8, 8));
        QImage shown(8, 8, QImage::Format_RGB32);
        QPainter painter(&shown);
        picture.draw(painter, QRectF(0, 0, 8, 8));
        painter.end();
        const QRgb c = shown.pixel(4, 4);
        QVERIFY2(qGreen(c) > 245 && qRed(c) < 10, qPrintable(describe(c)));
    }

    // Chunks that do not make one profile are no profile: the picture shows as sRGB.
    void jpegBrokenChunksShowAsSrgb() {
        const QString path = installedProfile(QStringLiteral("SwappedRedAndGreen.icc"));
        ZAROVIA_REQUIRE_INPUT(!path.isEmpty(), "colord-data: SwappedRedAndGreen.icc");
        const QImage source = patches(kColours, 16);
        const QByteArray icc = readFile(path);
        const QByteArray untagged = jpegWith(source, {});
        for (const QByteArray& segments :
             {iccSegments(icc, 4000, {0, 1, 3}), iccSegments(icc, 4000, {0, 1, 1, 2, 3}),
              iccSegments(icc, 4000, {}, 9), iccSegments(QByteArray(20000, 'n'), 4000)}) {
            const Picture picture = loadJpeg(jpegWith(source, segments));
            QVERIFY(dynamic_cast<const jpeg::JpegPictureData*>(picture.data())
                        ->header()
                        .profile.isNull());
            comparePatches(picture.toImage(), loadJpeg(untagged).toImage(), 0);
        }
    }

    // CMYK and YCCK pictures go through their own CMYK profile, else the default one, as
    // jpgicc does; Adobe's inverted values included.
    void jpegCmyk_data() {
        QTest::addColumn<bool>("adobe");
        QTest::addColumn<bool>("embedded");
        QTest::newRow("plain, embedded") << false << true;
        QTest::newRow("Adobe inverted, embedded") << true << true;
        QTest::newRow("plain, default profile") << false << false;
        QTest::newRow("Adobe inverted, default profile") << true << false;
    }
    void jpegCmyk() {
        QFETCH(bool, adobe);
        QFETCH(bool, embedded);
        const QString path = installedProfile(QStringLiteral("default_cmyk.icc"));
        ZAROVIA_REQUIRE_INPUT(!path.isEmpty() && haveTool("jpgicc"), "default_cmyk.icc and jpgicc");
        const std::vector<std::array<unsigned char, 4>> inks = {
            {0, 0, 0, 0},   {255, 0, 0, 0},    {0, 255, 0, 0},   {0, 0, 255, 0},
            {0, 0, 0, 255}, {60, 120, 30, 20}, {200, 30, 90, 0}, {20, 20, 20, 20}};
        std::vector<std::array<unsigned char, 4>> stored = inks;
        if (adobe)
            for (auto& p : stored)
                for (auto& v : p) v = static_cast<unsigned char>(255 - v);
        QByteArray jpeg = cmykJpeg(stored, 16, adobe);
        if (embedded) jpeg = jpeg.left(2) + iccSegments(readFile(path), 50000) + jpeg.mid(2);
        const QImage got = loadJpeg(jpeg).toImage();
        const QImage want = embedded ? jpgiccToSrgb(jpeg) : jpgiccToSrgb(jpeg, path);
        comparePatches(got, want, 2);
        // No ink is paper white, whichever way it is stored.
        QVERIFY(qRed(patchCentre(got, 0, 8)) > 240 && qBlue(patchCentre(got, 0, 8)) > 240);
    }

    // The screen decode follows the display's profile: set, the colours change; removed, they
    // are sRGB again. An untagged picture on an sRGB display is decoded as before.
    void jpegScreenFollowsDisplay() {
        const QByteArray swapped =
            readFile(installedProfile(QStringLiteral("SwappedRedAndGreen.icc")));
        ZAROVIA_REQUIRE_INPUT(!swapped.isEmpty(), "colord-data: SwappedRedAndGreen.icc");
        const Picture picture = loadJpeg(jpegWith(patches({qRgb(255, 0, 0)}, 32), {}));
        const QSize shown(16, 16);
        const auto draw = [&] {
            QImage out(shown, QImage::Format_RGB32);
            QPainter painter(&out);
            picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(shown)));
            return out.pixel(8, 8);
        };
        picture.prepare(shown);
        QVERIFY(qRed(draw()) > 245 && qGreen(draw()) < 10);
        QVERIFY(setDisplayProfile(ColourProfile::fromIcc(swapped)));
        QVERIFY(!picture.isPreparedFor(shown));
        picture.prepare(shown);
        QVERIFY(picture.isPreparedFor(shown));
        QVERIFY2(qGreen(draw()) > 245 && qRed(draw()) < 10, qPrintable(describe(draw())));
        // Paper stays sRGB.
        QVERIFY(qRed(picture.toImage().pixel(16, 16)) > 245);
        QVERIFY(setDisplayProfile({}));
        picture.prepare(shown);
        QVERIFY(qRed(draw()) > 245 && qGreen(draw()) < 10);
    }

    // A broken or absent colour space never fails the bitmap: its pixels show as they are.
    void bmpBrokenProfileShowsPixels() {
        const QImage source = patches(kColours, 8);
        BmpColour colour;
        colour.csType = 0x4D424544;
        colour.profile = QByteArray(4000, 'z');
        const Picture picture = decodeBmpFile(bmpV5(source, colour));
        QVERIFY(profileOf(picture).isNull());
        comparePatches(picture.toImage(), source, 0);
    }

    // A PNG icon entry's iCCP chunk, as Qt's reader reports it, is its source profile.
    void iconPngProfile() {
        const QByteArray swapped =
            readFile(installedProfile(QStringLiteral("SwappedRedAndGreen.icc")));
        ZAROVIA_REQUIRE_INPUT(!swapped.isEmpty(), "colord-data: SwappedRedAndGreen.icc");
        QImage source = patches({qRgb(255, 0, 0), qRgb(0, 255, 0)}, 16);
        source.setColorSpace(QColorSpace::fromIccProfile(swapped));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(source.save(&buffer, "png"));
        const Picture picture = decodeIcoFile(iconWithPng(png, 32));
        QVERIFY(!profileOf(picture).isNull());
        const QImage printed = picture.toImage();
        QVERIFY(qGreen(patchCentre(printed, 0, 2)) > 250 && qRed(patchCentre(printed, 0, 2)) < 5);
        // An sRGB entry carries nothing and costs nothing.
        QImage plain = patches({qRgb(255, 0, 0)}, 16);
        plain.setColorSpace(QColorSpace::SRgb);
        QByteArray plainPng;
        QBuffer plainBuffer(&plainPng);
        plainBuffer.open(QIODevice::WriteOnly);
        QVERIFY(plain.save(&plainBuffer, "png"));
        QVERIFY(profileOf(decodeIcoFile(iconWithPng(plainPng, 16))).isNull());
    }

    // The screen copy is shrunk to the size shown and converted to the display's profile; a new
    // display profile makes it unprepared, and removing it restores sRGB.
    void screenFollowsDisplay() {
        const QByteArray swapped =
            readFile(installedProfile(QStringLiteral("SwappedRedAndGreen.icc")));
        const QByteArray adobe = readFile(installedProfile(QStringLiteral("AdobeRGB1998.icc")));
        ZAROVIA_REQUIRE_INPUT(!swapped.isEmpty() && !adobe.isEmpty(), "colord-data profiles");
        BmpColour colour;
        colour.csType = 0x4D424544;
        colour.profile = adobe;
        const QImage source = patches(kColours, 16);
        const Picture picture = decodeBmpFile(bmpV5(source, colour));
        const auto* data = dynamic_cast<const ColourRasterPictureData*>(picture.data());
        QVERIFY(data);
        const QSize shown(source.width() / 2, source.height() / 2);
        QVERIFY(!picture.isPreparedFor(shown));
        picture.prepare(shown);
        QVERIFY(picture.isPreparedFor(shown));
        QCOMPARE(data->screenImage().size(), shown);
        const QImage onSrgb = data->screenImage();
        comparePatches(onSrgb, picture.toImage(), 2);

        QVERIFY(setDisplayProfile(ColourProfile::fromIcc(swapped)));
        QVERIFY(!picture.isPreparedFor(shown));
        picture.prepare(shown);
        const int n = int(kColours.size());
        // Adobe's red, shown on a display whose red and green are exchanged, is sent as green.
        QVERIFY2(qGreen(patchCentre(data->screenImage(), 0, n)) > 240 &&
                     qRed(patchCentre(data->screenImage(), 0, n)) < 40,
                 qPrintable(describe(patchCentre(data->screenImage(), 0, n))));
        // Printing stays sRGB whatever the display.
        comparePatches(picture.toImage(), onSrgb, 2);

        QVERIFY(setDisplayProfile({}));
        picture.prepare(shown);
        comparePatches(data->screenImage(), onSrgb, 0);
    }
};

int runTestColourPictures(int argc, char** argv) {
    TestColourPictures test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestColourPictures.moc"

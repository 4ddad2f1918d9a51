// Colour management: reassembling a JPEG's ICC chunks, reading a bitmap header's colour space,
// accepting or refusing profiles, and converting pixels through Little CMS.

#include "picture/colour/BmpColourSpace.h"
#include "picture/colour/ColourConversion.h"
#include "picture/colour/ColourProfile.h"
#include "picture/colour/IccChunks.h"
#include "picture/colour/LcmsContext.h"
#include "picture/colour/TransformCache.h"
#include "support/ColourFiles.h"
#include "support/LcmsTools.h"
#include "support/TestInputs.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

using namespace zarovia::picture;
using namespace zarovia::picture::colour;
using namespace zarovia::colourtest;

namespace {

// The APP2 payloads of segments made by iccSegments().
std::vector<App2Segment> payloadsOf(const QByteArray& segments) {
    std::vector<App2Segment> out;
    for (int at = 0; at + 4 <= segments.size();) {
        const int length = (uchar(segments[at + 2]) << 8) | uchar(segments[at + 3]);
        out.push_back({reinterpret_cast<const unsigned char*>(segments.constData()) + at + 4,
                       static_cast<std::size_t>(length - 2)});
        at += 2 + length;
    }
    return out;
}

QByteArray profileBytes(const char* name) {
    return readFile(installedProfile(QString::fromLatin1(name)));
}

bool near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QString rgbText(QRgb c) {
    return QStringLiteral("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

const std::vector<QRgb> kPatchColours = {qRgb(255, 0, 0),   qRgb(0, 255, 0),
                                         qRgb(0, 0, 255),   qRgb(200, 150, 40),
                                         qRgb(30, 90, 160), qRgb(128, 128, 128)};

}  // namespace

class TestColour : public QObject {
    Q_OBJECT

private slots:
    void reassembly_data() {
        QTest::addColumn<QByteArray>("segments");
        QTest::addColumn<bool>("whole");
        QByteArray profile(300, '\0');
        for (int i = 0; i < profile.size(); ++i) profile[i] = char(i * 7);
        QTest::newRow("in order") << iccSegments(profile, 100) << true;
        QTest::newRow("out of order") << iccSegments(profile, 100, {2, 0, 1}) << true;
        QTest::newRow("one chunk") << iccSegments(profile, 1000) << true;
        QTest::newRow("other APP2 between")
            << iccSegments(profile, 100, {0}) + QByteArray("\xFF\xE2\x00\x08MPF\0\0\0", 10) +
                   iccSegments(profile, 100, {1, 2})
            << true;
        QTest::newRow("missing chunk") << iccSegments(profile, 100, {0, 2}) << false;
        QTest::newRow("duplicated chunk") << iccSegments(profile, 100, {0, 1, 1, 2}) << false;
        QTest::newRow("count too high") << iccSegments(profile, 100, {}, 4) << false;
        QTest::newRow("sequence above count") << iccSegments(profile, 100, {}, 2) << false;
        QTest::newRow("counts differ")
            << iccSegments(profile, 100, {0, 1}) + iccSegments(profile, 100, {2}, 4) << false;
        QByteArray zeroSequence = iccSegments(profile, 1000);
        zeroSequence[4 + 12] = 0;
        QTest::newRow("sequence 0") << zeroSequence << false;
        QTest::newRow("no ICC chunk") << QByteArray("\xFF\xE2\x00\x08MPF\0\0\0", 10) << false;
    }
    void reassembly() {
        QFETCH(QByteArray, segments);
        QFETCH(bool, whole);
        const QByteArray profile = reassembleIccProfile(payloadsOf(segments));
        if (whole) {
            QCOMPARE(profile.size(), 300);
            for (int i = 0; i < profile.size(); ++i) QCOMPARE(profile[i], char(i * 7));
        } else {
            QVERIFY(profile.isEmpty());
        }
    }

    void profiles_data() {
        QTest::addColumn<QByteArray>("icc");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("model");
        const QByteArray adobe = profileBytes("AdobeRGB1998.icc");
        QTest::newRow("Adobe RGB") << adobe << true << int(ColourModel::Rgb);
        QTest::newRow("ProPhoto") << profileBytes("ProPhotoRGB.icc") << true
                                  << int(ColourModel::Rgb);
        QTest::newRow("CMYK") << profileBytes("default_cmyk.icc") << true << int(ColourModel::Cmyk);
        QTest::newRow("grey") << profileBytes("default_gray.icc") << true << int(ColourModel::Gray);
        QTest::newRow("Lab is no source") << profileBytes("lab.icc") << false << 0;
        QTest::newRow("cut short") << adobe.left(200) << false << 0;
        QTest::newRow("empty") << QByteArray() << false << 0;
        QTest::newRow("text") << QByteArray(4096, 'x') << false << 0;
    }
    void profiles() {
        QFETCH(QByteArray, icc);
        QFETCH(bool, accepted);
        QFETCH(int, model);
        ZAROVIA_REQUIRE_INPUT(!installedProfile("AdobeRGB1998.icc").isEmpty() &&
                                  !installedProfile("default_cmyk.icc").isEmpty(),
                              "colord-data and libgs-common profiles");
        const ColourProfile profile = ColourProfile::fromIcc(icc);
        QCOMPARE(!profile.isNull(), accepted);
        if (accepted) {
            QCOMPARE(int(profile.model()), model);
            QVERIFY(!profile.description().isEmpty());
            QCOMPARE(profile.icc(), icc);
        }
    }

    // Little CMS reports a refused profile to our handler, not to the terminal.
    void errorsRoutedToUs() {
        (void)takeLcmsErrors();
        QVERIFY(ColourProfile::fromIcc(QByteArray(1000, '\x01')).isNull());
        QVERIFY(takeLcmsErrors().count > 0);
        QCOMPARE(takeLcmsErrors().count, 0);
    }

    // A broken profile is never slow: 4 MB of noise, alone and behind a valid header and tag
    // table, is refused or converts a picture within 50 ms (a parse that walked the bytes one
    // tag at a time, or retried at each picture, costs seconds).
    void garbageProfileIsCheap_data() {
        QTest::addColumn<QByteArray>("icc");
        QByteArray noise(4 << 20, '\0');
        QRandomGenerator random(23);
        random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        QTest::newRow("noise") << noise;
        const QByteArray srgb = profileBytes("sRGB.icc");
        QByteArray headed = noise;
        headed.replace(0, 132 + 12 * 9, srgb.left(132 + 12 * 9));
        headed[0] = char(0x00), headed[1] = char(0x40), headed[2] = 0, headed[3] = 0;
        QTest::newRow("valid header, noise tags") << headed;
        QByteArray tableNoise = srgb.left(128) + noise.left(4 << 20);
        tableNoise[0] = char(0x00), tableNoise[1] = char(0x40), tableNoise[2] = 0;
        tableNoise[3] = char(0x80);
        QTest::newRow("valid header, noise table") << tableNoise;
    }
    void garbageProfileIsCheap() {
        QFETCH(QByteArray, icc);
        // The quickest of three tries: the machine may be busy with other work.
        qint64 quickest = -1;
        for (int attempt = 0; attempt < 3; ++attempt) {
            QImage image = patches(kPatchColours);
            QElapsedTimer timer;
            timer.start();
            const ColourProfile profile = ColourProfile::fromIcc(icc);
            (void)convertImage(image, profile, ColourProfile());
            (void)convertImage(image, profile, ColourProfile());
            const qint64 elapsed = timer.elapsed();
            quickest = quickest < 0 ? elapsed : std::min(quickest, elapsed);
        }
        QVERIFY2(quickest < 50, qPrintable(QString::number(quickest)));
    }

    // SwappedRedAndGreen's primaries are sRGB's with red and green exchanged: a red patch is
    // shown green and a green one red; blue stays.
    void swappedRedAndGreen() {
        const QByteArray icc = profileBytes("SwappedRedAndGreen.icc");
        ZAROVIA_REQUIRE_INPUT(!icc.isEmpty(), "colord-data: SwappedRedAndGreen.icc");
        QImage image = patches({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)});
        QVERIFY(convertImage(image, ColourProfile::fromIcc(icc), ColourProfile()));
        QVERIFY2(near(patchCentre(image, 0, 3), qRgb(0, 255, 0), 3),
                 qPrintable(rgbText(patchCentre(image, 0, 3))));
        QVERIFY2(near(patchCentre(image, 1, 3), qRgb(255, 0, 0), 3),
                 qPrintable(rgbText(patchCentre(image, 1, 3))));
        QVERIFY(near(patchCentre(image, 2, 3), qRgb(0, 0, 255), 3));
        // And back, with the profile as the display's.
        QVERIFY(convertImage(image, ColourProfile(), ColourProfile::fromIcc(icc)));
        QVERIFY(near(patchCentre(image, 0, 3), qRgb(255, 0, 0), 3));
    }

    // Calibrated endpoints and gammas equal to a matrix profile's colorants and curves give
    // that profile's colours.
    void calibratedMatchesItsProfile_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Adobe RGB") << "AdobeRGB1998.icc";
        QTest::newRow("ProPhoto") << "ProPhotoRGB.icc";
    }
    void calibratedMatchesItsProfile() {
        QFETCH(QString, name);
        const QByteArray icc = readFile(installedProfile(name));
        ZAROVIA_REQUIRE_INPUT(!icc.isEmpty(), name);
        const ColourProfile calibrated =
            ColourProfile::fromCalibratedRgb(calibratedFromProfile(icc));
        QVERIFY(!calibrated.isNull());
        const QImage source = patches(kPatchColours, 4);
        const QImage viaProfile = convertedImage(source, ColourProfile::fromIcc(icc), {});
        const QImage viaCalibrated = convertedImage(source, calibrated, {});
        QVERIFY(viaProfile != source);
        for (int i = 0; i < int(kPatchColours.size()); ++i) {
            const QRgb a = patchCentre(viaProfile, i, int(kPatchColours.size()));
            const QRgb b = patchCentre(viaCalibrated, i, int(kPatchColours.size()));
            QVERIFY2(near(a, b, 1), qPrintable(rgbText(a) + rgbText(b)));
        }
    }

    void calibratedRefused_data() {
        QTest::addColumn<int>("fault");
        QTest::newRow("all zero") << 0;
        QTest::newRow("zero gamma") << 1;
        QTest::newRow("negative luminance") << 2;
        QTest::newRow("primaries on one line") << 3;
        QTest::newRow("not a number") << 4;
    }
    void calibratedRefused() {
        QFETCH(int, fault);
        CalibratedRgb c;
        c.primaries = {
            {{0.4361, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971}, {0.1431, 0.0606, 0.7141}}};
        c.gamma = {2.2, 2.2, 2.2};
        QVERIFY(!ColourProfile::fromCalibratedRgb(c).isNull());
        switch (fault) {
            case 0:
                c = {};
                break;
            case 1:
                c.gamma[1] = 0;
                break;
            case 2:
                c.primaries[0].y = -0.5;
                break;
            case 3:
                c.primaries[2] = {0.8722, 0.4450, 0.0278};
                break;  // twice red
            case 4:
                c.primaries[1].x = std::nan("");
                break;
        }
        QVERIFY(ColourProfile::fromCalibratedRgb(c).isNull());
    }

    void bmpHeader_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("profiled");
        const QImage image = patches({qRgb(255, 0, 0)}, 2);
        const QByteArray adobe = profileBytes("AdobeRGB1998.icc");
        BmpColour srgb;
        QTest::newRow("sRGB") << bmpV5(image, srgb) << false;
        BmpColour windows;
        windows.csType = LCS_WINDOWS_COLOR_SPACE;
        QTest::newRow("Windows") << bmpV5(image, windows) << false;
        BmpColour linked;
        linked.csType = PROFILE_LINKED;
        linked.profile = QByteArray("/usr/share/color/icc/colord/AdobeRGB1998.icc\0", 46);
        QTest::newRow("linked, never opened") << bmpV5(image, linked) << false;
        BmpColour embedded;
        embedded.csType = PROFILE_EMBEDDED;
        embedded.profile = adobe;
        QTest::newRow("embedded") << bmpV5(image, embedded) << true;
        BmpColour cut = embedded;
        cut.profileSize = adobe.size() + 1;
        QTest::newRow("embedded past the end") << bmpV5(image, cut) << false;
        BmpColour wraps = embedded;
        wraps.profileOffset = 0xFFFFFFF0;
        wraps.profileSize = 0x20;
        QTest::newRow("offset and size wrap") << bmpV5(image, wraps) << false;
        BmpColour inHeader = embedded;
        inHeader.profileOffset = 16;
        QTest::newRow("offset inside the header") << bmpV5(image, inHeader) << false;
        BmpColour noSize = embedded;
        noSize.profileSize = 0;
        QTest::newRow("size 0") << bmpV5(image, noSize) << false;
        BmpColour garbage = embedded;
        garbage.profile = QByteArray(adobe.size(), 'g');
        QTest::newRow("embedded garbage") << bmpV5(image, garbage) << false;
        BmpColour calibrated;
        calibrated.csType = LCS_CALIBRATED_RGB;
        calibrated.endpoints = {
            {{0.4361, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971}, {0.1431, 0.0606, 0.7141}}};
        calibrated.gamma = {2.2, 2.2, 2.2};
        QTest::newRow("calibrated") << bmpV5(image, calibrated) << true;
        BmpColour zeroCalibrated;
        zeroCalibrated.csType = LCS_CALIBRATED_RGB;
        QTest::newRow("calibrated, all zero") << bmpV5(image, zeroCalibrated) << false;
        QByteArray v4 = bmpV5(image, embedded);
        v4[14] = char(108);  // a version 4 header has no place for a profile
        QTest::newRow("embedded in a version 4 header") << v4 << false;
        QTest::newRow("header cut") << bmpV5(image, embedded).left(14 + 100) << false;
    }
    void bmpHeader() {
        QFETCH(QByteArray, file);
        QFETCH(bool, profiled);
        ZAROVIA_REQUIRE_INPUT(!installedProfile("AdobeRGB1998.icc").isEmpty(), "colord-data");
        ByteReader fromHeader(file);
        const ColourProfile profile = bmpColourProfile(fromHeader.sub(14, file.size() - 14));
        QCOMPARE(!profile.isNull(), profiled);
    }

    // A pair is built once and kept; a refused pair is not built again.
    void transformsKept() {
        const ColourProfile adobe = ColourProfile::fromIcc(profileBytes("AdobeRGB1998.icc"));
        ZAROVIA_REQUIRE_INPUT(!adobe.isNull(), "colord-data: AdobeRGB1998.icc");
        const auto first = findTransform(adobe, {}, PixelLayout::Rgb32);
        const int before = transformCacheStats().built;
        const auto again = findTransform(ColourProfile::fromIcc(profileBytes("AdobeRGB1998.icc")),
                                         {}, PixelLayout::Rgb32);
        QVERIFY(first);
        QCOMPARE(again.get(), first.get());
        QVERIFY(!findTransform(adobe, {}, PixelLayout::Cmyk8));  // an RGB profile reads no CMYK
        QVERIFY(!findTransform(adobe, {}, PixelLayout::Cmyk8));
        QCOMPARE(transformCacheStats().built, before + 1);
    }

    // Nothing to do for an untagged picture on an sRGB display: the pixels are not touched.
    void untaggedOnSrgbCostsNothing() {
        QImage image = patches(kPatchColours);
        const qint64 key = image.cacheKey();
        QVERIFY(!needsConversion({}, {}));
        QVERIFY(convertImage(image, {}, {}));
        QCOMPARE(image.cacheKey(), key);
        QCOMPARE(convertedImage(image, {}, {}).cacheKey(), key);
    }

    // Icons keep their transparency through a conversion.
    void alphaKept() {
        const ColourProfile adobe = ColourProfile::fromIcc(profileBytes("AdobeRGB1998.icc"));
        ZAROVIA_REQUIRE_INPUT(!adobe.isNull(), "colord-data: AdobeRGB1998.icc");
        QImage image(2, 1, QImage::Format_ARGB32_Premultiplied);
        image.setPixel(0, 0, qPremultiply(qRgba(200, 100, 50, 128)));
        image.setPixel(1, 0, 0);
        QVERIFY(convertImage(image, adobe, {}));
        QCOMPARE(image.format(), QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 128);
        QCOMPARE(image.pixel(1, 0), 0u);
        QVERIFY(qRed(qUnpremultiply(image.pixel(0, 0))) > 200);  // Adobe red is more saturated
    }

    // No ink is white and full ink near black, either way round.
    void cmykRows() {
        ZAROVIA_REQUIRE_INPUT(!defaultCmykProfile().isNull(), "libgs-common: default_cmyk.icc");
        const unsigned char plain[8] = {0, 0, 0, 0, 255, 255, 255, 255};
        const unsigned char inverted[8] = {255, 255, 255, 255, 0, 0, 0, 0};
        for (const bool adobe : {false, true}) {
            const CmykRowConverter converter(ColourProfile(), adobe, ColourProfile());
            QVERIFY(converter.isValid());
            quint32 out[2] = {};
            converter.convert(adobe ? inverted : plain, reinterpret_cast<unsigned char*>(out), 2);
            QVERIFY2(near(out[0], qRgb(255, 255, 255), 2), qPrintable(rgbText(out[0])));
            QVERIFY(qRed(out[1]) < 40 && qGreen(out[1]) < 40 && qBlue(out[1]) < 40);
            QCOMPARE(qAlpha(out[0]), 255);
        }
    }
};

int runTestColour(int argc, char** argv) {
    TestColour test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestColour.moc"

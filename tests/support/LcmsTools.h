#pragma once

// What Little CMS's own tools (liblcms2-utils) make of the same pixels, as the reference the
// viewer's colours are compared with.

#include "picture/colour/ColourProfile.h"
#include "support/TinyTiff.h"

#include <lcms2.h>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace zarovia::colourtest {

namespace picture = zarovia::picture;

inline bool haveTool(const char* name) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

inline bool runTool(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// `image` as an untagged RGB TIFF converted by tificc from `profilePath` to sRGB.
inline QImage tificcToSrgb(const QImage& image, const QString& profilePath) {
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.tif"));
    const QString out = dir.filePath(QStringLiteral("out.tif"));
    QFile file(in);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(tiffFile(image.width(), image.height(), 3, rgbBytes(image)));
    file.close();
    if (!runTool(QStringLiteral("tificc"), {QStringLiteral("-i") + profilePath, in, out}))
        return {};
    QFile result(out);
    return result.open(QIODevice::ReadOnly) ? readRgbTiff(result.readAll()) : QImage();
}

// A JPEG converted by jpgicc through its embedded profile (or `inputProfile` when given) to
// sRGB, decoded by Qt.
inline QImage jpgiccToSrgb(const QByteArray& jpeg, const QString& inputProfile = {}) {
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.jpg"));
    const QString out = dir.filePath(QStringLiteral("out.jpg"));
    QFile file(in);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(jpeg);
    file.close();
    QStringList arguments = {QStringLiteral("-q100")};
    if (!inputProfile.isEmpty()) arguments << QStringLiteral("-i") + inputProfile;
    arguments << in << out;
    if (!runTool(QStringLiteral("jpgicc"), arguments)) return {};
    return QImage(out).convertToFormat(QImage::Format_RGB32);
}

// The colorants and tone-curve gammas of a matrix-shaper profile, as a bitmap header's
// calibrated fields would give them.
inline picture::colour::CalibratedRgb calibratedFromProfile(const QByteArray& icc) {
    picture::colour::CalibratedRgb calibrated;
    cmsHPROFILE profile = cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size()));
    if (!profile) return calibrated;
    const cmsTagSignature colorants[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                          cmsSigBlueColorantTag};
    const cmsTagSignature curves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (int i = 0; i < 3; ++i) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, colorants[i]));
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, curves[i]));
        if (!xyz || !curve) break;
        calibrated.primaries[i] = {xyz->X, xyz->Y, xyz->Z};
        calibrated.gamma[i] = cmsEstimateGamma(curve, 0.001);
    }
    cmsCloseProfile(profile);
    return calibrated;
}

}  // namespace zarovia::colourtest

#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

// Files with restart markers for the banded decode, made at test time by cjpeg from a picture
// with detail everywhere, and the ways they are damaged.
namespace zarovia::picture::jpeg::test {

// Gradients, noise and saturated stripes with sharp edges a few rows apart, so that every band
// boundary has chroma changing across it (smooth upsampling then reads the rows on both sides).
QImage bandSourcePicture(QSize size);

// Encodes pictures of bandSourcePicture() with cjpeg; each file is made once and kept.
class BandFileMaker {
public:
    // Whether cjpeg is installed; when not, missing() names what to install.
    bool haveCjpeg() const;
    static QString missing();

    // The picture of `size` through `cjpeg -quality 90 <options>`. Options starting with
    // "cmyk" or "ycck" make a four-component file through libjpeg instead (cjpeg writes none),
    // taking cjpeg's own "-restart N" or "-restart NB" from the rest. On failure returns empty
    // and sets `error`.
    QByteArray make(QSize size, const QString& options, QString* error);

private:
    QString sourceFile(QSize size, QString* error);
    QByteArray cjpeg(QSize size, const QString& options, QString* error);

    QTemporaryDir dir_;
    QHash<QString, QByteArray> made_;
};

// A four-component JPEG of `picture` (its inks the complements of its RGB channels, black the
// least of them), with restart markers as cjpeg's -restart value gives them ("1": every MCU row,
// "7B": every seven MCUs, "" none).
QByteArray restartCmykJpeg(const QImage& picture, bool ycck, const QString& restart);

// The offsets of the restart markers in the first scan, in order.
QList<qsizetype> restartMarkerOffsets(const QByteArray& jpeg);

enum class Damage {
    None,
    Cut,                 // the file ends in the middle of a restart segment
    CutBeforeMarker,     // the file ends with a whole segment, just before the next marker
    CutAfterScanHeader,  // the file ends right after the scan's header: no coded data at all
    Flip,                // one byte of coded data inverted
    MarkerAhead,         // a restart marker numbered one more than it should be
    MarkerBehind,        // a restart marker numbered one less than it should be
    MarkerDropped,       // a restart marker removed, its segments run together
    // A stuffed 0xFF 0x00 in the segment before turned into a restart marker numbered as the
    // one that ends that segment (so that it reads as in sequence), or as one out of sequence.
    SpuriousMarker,
    SpuriousMarkerOutOfSequence,
};

// `jpeg` with the restart marker that starts its segment at `where` (as damaged()) numbered
// `shift` more than it should be (modulo 8: 7 is one less). Empty when there is none there.
QByteArray withMarkerRenumbered(const QByteArray& jpeg, double where, int shift);

// `jpeg` damaged in its restart segment at `where` (0 = the first segment, 1 = past the last),
// for every kind but CutAfterScanHeader. Empty when the file has no restart segment there.
QByteArray damaged(const QByteArray& jpeg, Damage damage, double where);

// Empty when `actual` has the same size, format and pixels as `expected`; else where they first
// differ and how many rows differ.
QString firstDifference(const QImage& expected, const QImage& actual);

}  // namespace zarovia::picture::jpeg::test

Q_DECLARE_METATYPE(zarovia::picture::jpeg::test::Damage)

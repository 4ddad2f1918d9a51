#include "MetafileTest.h"
#include "picture/metafile/Metafile.h"
#include "platform/Failure.h"
#include "support/TestInputs.h"

#include <QDir>
#include <QPainter>
#include <QtTest>
#include <algorithm>

namespace zarovia::picture::metafile::test {

namespace {

const QString kData = QStringLiteral(ZAROVIA_TEST_DATA "/metafile");
const QString kCorpus = QStringLiteral(ZAROVIA_CORPUS);

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Picture decode(const QString& path) {
    const QByteArray bytes = readFile(path);
    return path.endsWith(QLatin1String(".wmf")) ? decodeWmf(bytes) : decodeEmf(bytes);
}

bool playedOnlyInPart(const Picture& picture) {
    const auto* data = dynamic_cast<const MetafilePictureData*>(picture.data());
    return !data || data->parsed().capped;
}

QImage onWhite(const QImage& image) {
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, image);
    return out;
}

// An image averaged over square cells of a 48th of its longer side, as rows of RGB means.
struct CellGrid {
    int cols = 0;
    int rows = 0;
    std::vector<double> rgb;  // rows x cols x 3
    double at(int r, int c, int k) const {
        r = std::clamp(r, 0, rows - 1);
        c = std::clamp(c, 0, cols - 1);
        return rgb[(static_cast<std::size_t>(r) * cols + c) * 3 + k];
    }
};

CellGrid cells(const QImage& image) {
    const int cell = std::max(1, std::max(image.width(), image.height()) / 48);
    CellGrid g;
    g.cols = (image.width() + cell - 1) / cell;
    g.rows = (image.height() + cell - 1) / cell;
    g.rgb.assign(static_cast<std::size_t>(g.cols) * g.rows * 3, 0.0);
    for (int r = 0; r < g.rows; ++r) {
        for (int c = 0; c < g.cols; ++c) {
            double sum[3] = {0, 0, 0};
            int n = 0;
            for (int y = r * cell; y < std::min(image.height(), (r + 1) * cell); ++y) {
                for (int x = c * cell; x < std::min(image.width(), (c + 1) * cell); ++x) {
                    const QRgb p = image.pixel(x, y);
                    sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p);
                    ++n;
                }
            }
            for (int k = 0; k < 3; ++k)
                g.rgb[(static_cast<std::size_t>(r) * g.cols + c) * 3 + k] = sum[k] / n;
        }
    }
    return g;
}

// For each cell of `a`, the smallest mean channel difference to the cells of `b` at most one
// cell away; averaged over `a`.
double shiftTolerantDistance(const CellGrid& a, const CellGrid& b) {
    double total = 0;
    for (int r = 0; r < a.rows; ++r) {
        for (int c = 0; c < a.cols; ++c) {
            double best = 1e9;
            for (int dr = -1; dr <= 1; ++dr) {
                for (int dc = -1; dc <= 1; ++dc) {
                    double d = 0;
                    for (int k = 0; k < 3; ++k)
                        d += std::abs(a.at(r, c, k) - b.at(r + dr, c + dc, k));
                    best = std::min(best, d / 3);
                }
            }
            total += best;
        }
    }
    return total / (static_cast<double>(a.rows) * a.cols);
}

// Mean difference per channel (0 to 255) between two images of the same size, after each is
// averaged over cells of a 48th of its longer side, where a cell may match its counterpart
// or a neighbour (both ways round): anti-aliasing, glyph shapes and shifts of a few pixels
// average out; missing, extra or misplaced shapes do not.
double reducedDifference(const QImage& a, const QImage& b) {
    const CellGrid ga = cells(a);
    const CellGrid gb = cells(b);
    return (shiftTolerantDistance(ga, gb) + shiftTolerantDistance(gb, ga)) / 2;
}

}  // namespace

// The baseline of a fixture: the reducedDifference measured against its reference when the
// reference was recorded, in references/<fixture>.tolerance ("baseline 2.43", with comments
// on why it is what it is); -1 when there is none.
static double baselineOf(const QString& reference) {
    QFile file(reference.chopped(4) + QStringLiteral(".tolerance"));
    if (!file.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() == 2 && words[0] == "baseline") return words[1].toDouble();
    }
    return -1;
}

void MetafileTest::goldenRenderings_data() {
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("reference");
    const QDir references(kData + QStringLiteral("/references"));
    for (const QString& png :
         references.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name)) {
        const QString name = png.chopped(4);
        const QString kind = name.right(3);
        QTest::newRow(qPrintable(name)) << kData + QLatin1Char('/') + kind + QLatin1Char('/') + name
                                        << references.filePath(png);
    }
}

// The references were rendered by LibreOffice (make_references.py beside them). The two
// renderers differ in their substitute fonts and anti-aliasing, and on purpose in a few
// things: dual files whose EMF records draw (LibreOffice plays their EMF+ records, we the EMF
// ones; the generated dual fixture draws the same picture both ways), hatched brushes
// (LibreOffice fills them grey), glyphs of symbol fonts and EMF+ bitmaps (LibreOffice leaves
// them out). Measured with reducedDifference, the older fixtures
// lie between 0.05 and 7.1 per channel. Each fixture fails above max(1.5 x its baseline,
// baseline + 1): a change that makes any picture clearly worse shows. A picture must also be
// clearly nearer the reference than a blank one (at most 0.75 of the blank's distance: the formula
// pictures, a few thin glyphs on white, reach 0.71), so an empty or misplaced drawing fails.
void MetafileTest::goldenRenderings() {
    QFETCH(QString, fixture);
    QFETCH(QString, reference);
    const QImage expected =
        onWhite(QImage(reference).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    QVERIFY(!expected.isNull());
    const Picture picture = decode(fixture);
    QVERIFY2(!playedOnlyInPart(picture), "a cap cut the picture short");
    QImage drawn(expected.size(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(expected.size())));
    painter.end();
    QImage blank(expected.size(), QImage::Format_RGB32);
    blank.fill(Qt::white);

    const double difference = reducedDifference(onWhite(drawn), expected);
    const double blankDifference = reducedDifference(blank, expected);
    const double baseline = baselineOf(reference);
    QVERIFY2(baseline >= 0, "the reference has no recorded baseline (.tolerance)");
    const double tolerance = std::max(1.5 * baseline, baseline + 1);
    qInfo("%s: difference %.2f (at most %.1f), blank %.2f",
          qPrintable(QFileInfo(fixture).fileName()), difference, tolerance, blankDifference);
    QVERIFY2(difference < tolerance, qPrintable(QString::number(difference)));
    QVERIFY2(difference < 0.75 * blankDifference,
             qPrintable(QStringLiteral("%1 vs blank %2").arg(difference).arg(blankDifference)));
}

void MetafileTest::badFilesFailOrDraw_data() {
    QTest::addColumn<QString>("path");
    for (const QString& name : {QStringLiteral("wmf/derived_bad_placeable_checksum.wmf"),
                                QStringLiteral("wmf/derived_lo_truncated_300b.wmf"),
                                QStringLiteral("emf/derived_empty_0b.emf"),
                                QStringLiteral("emf/derived_text_named_emf.emf"),
                                QStringLiteral("bad/fuzz_huge_glyph_crash.wmf")})
        QTest::newRow(qPrintable(name)) << kData + QLatin1Char('/') + name;
    const QDir corpus(kCorpus + QStringLiteral("/emf"));
    for (const QString& name :
         corpus.entryList({QStringLiteral("libemf2svg_bad_*.emf")}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
}

void MetafileTest::badFilesFailOrDraw() {
    QFETCH(QString, path);
    ZAROVIA_REQUIRE_INPUT(QFile::exists(path), path);
    try {
        const Picture picture = decode(path);
        QVERIFY(!picture.size().isEmpty());
        QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        picture.draw(painter, QRectF(0, 0, 256, 256));
    } catch (const Failure& f) {
        QCOMPARE(f.message(), QStringLiteral("メタファイルが不正です"));
    }
}

void MetafileTest::corpusFilesRender_data() {
    QTest::addColumn<QString>("path");
    for (const QString& kind : {QStringLiteral("wmf"), QStringLiteral("emf")}) {
        const QDir dir(kCorpus + QLatin1Char('/') + kind);
        for (const QString& name :
             dir.entryList({QLatin1String("*.") + kind}, QDir::Files, QDir::Name)) {
            if (name.startsWith(QLatin1String("derived_")) ||
                name.startsWith(QLatin1String("libemf2svg_bad_")))
                continue;
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
        }
    }
    if (QDir(kCorpus).exists()) return;
    QTest::newRow("no corpus") << QString();
}

// Every good file of the shared corpus loads at a natural size and draws (the
// permissively licensed ones are compared with references above).
void MetafileTest::corpusFilesRender() {
    QFETCH(QString, path);
    ZAROVIA_REQUIRE_INPUT(!path.isEmpty() && QFile::exists(path), path.isEmpty() ? kCorpus : path);
    const Picture picture = decode(path);
    QVERIFY(!picture.size().isEmpty());
    QCOMPARE(picture.kind(), PictureKind::Metafile);
    // Real files stay far below every cap.
    QVERIFY2(!playedOnlyInPart(picture), "a cap cut the picture short");
    QImage image(320, 240, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    picture.draw(painter, QRectF(0, 0, 320, 240));
}

}  // namespace zarovia::picture::metafile::test

#include "MetafileTest.h"
#include "picture/metafile/FontMapping.h"
#include "picture/metafile/Metafile.h"
#include "support/TestInputs.h"

#include <QFile>
#include <QFontMetricsF>
#include <QtTest>
#include <cmath>

namespace zarovia::picture::metafile::test {

namespace {

bool near(double a, double b, double within = 1e-6) {
    return std::abs(a - b) <= within;
}

// The device direction of a text's baseline and of its "down", unit length.
QPointF along(const TextItem& t) {
    const QPointF d = t.frame.map(QPointF(1, 0)) - t.frame.map(QPointF(0, 0));
    return d / std::hypot(d.x(), d.y());
}

}  // namespace

void MetafileTest::decorationsFollowTheFontMetrics_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<bool>("strikeOut");
    // 9000 units over 600 pixels: the text is scaled down fifteen times.
    WmfWriter underlined;
    underlined.font(-900, 0, "Arial", 0, true, false).selectObject(0).textOut(300, 300, "Under");
    QTest::newRow("WMF TextOut, underline")
        << underlined.placeable(QRect(0, 0, 9000, 6000), 1440) << true << false;
    WmfWriter struck;
    QByteArray ext;
    for (int v : {300, 300, 5, 0}) putU16(ext, static_cast<std::uint16_t>(v));  // y, x, n, options
    ext.append("Strik\0", 6);
    struck.font(-900, 0, "Arial", 0, false, true).selectObject(0).raw(0x0A32, ext);
    QTest::newRow("WMF ExtTextOut, strike-out")
        << struck.placeable(QRect(0, 0, 9000, 6000), 1440) << false << true;
    EmfWriter both(QRect(0, 0, 15875, 10583));
    both.record(17, {8}).record(9, {9000, 6000}).record(11, {600, 400});
    both.raw(82, emfFont(1, -900, QStringLiteral("Times New Roman"), 1, 0, true, true))
        .selectObject(1)
        .raw(84, emfTextW(300, 300, QStringLiteral("Both"), {}));
    QTest::newRow("EMF ExtTextOutW, both") << both.finish() << true << true;
}

// The lines are drawn by the player from the font's own metrics, never by the font engine
// (which misplaces them under a scaling painter): at the metrics' place, across the run.
void MetafileTest::decorationsFollowTheFontMetrics() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, underline);
    QFETCH(bool, strikeOut);
    const ParsedMetafile parsed =
        bytes.startsWith("\x01\0\0\0") ? parseEmf(bytes) : parseWmf(bytes);
    const auto texts = record(parsed).all<TextStep>();
    QCOMPARE(texts.size(), std::size_t(1));
    const TextItem& t = texts[0];
    QVERIFY(!t.font.underline());
    QVERIFY(!t.font.strikeOut());
    const QFontMetricsF metrics(t.font);
    QCOMPARE(t.underline.has_value(), underline);
    QCOMPARE(t.strikeOut.has_value(), strikeOut);
    if (underline) QVERIFY(near(*t.underline, t.start.y() + metrics.underlinePos()));
    if (strikeOut) QVERIFY(near(*t.strikeOut, t.start.y() - metrics.strikeOutPos()));
    QVERIFY(near(t.lineWidth, metrics.lineWidth()));

    // Drawn at three sizes, the line is there across the text's width each time: some row
    // near its place is inked over most of the run.
    const Picture picture = Picture(std::make_shared<const MetafilePictureData>(
        bytes.startsWith("\x01\0\0\0") ? parseEmf(bytes) : parseWmf(bytes)));
    for (double scale : {0.5, 1.0, 1.7}) {
        const QSize size(qRound(picture.width() * scale), qRound(picture.height() * scale));
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(size)));
        painter.end();
        const QTransform toImage =
            t.frame * QTransform::fromScale(size.width() / parsed.deviceFrame.width(),
                                            size.height() / parsed.deviceFrame.height());
        const double line = underline ? *t.underline : *t.strikeOut;
        const QPointF from = toImage.map(QPointF(t.start.x(), line));
        const QPointF to = toImage.map(QPointF(t.start.x() + t.width, line));
        int best = 0;
        for (int dy = -2; dy <= 2; ++dy) {
            const int y = qRound(from.y()) + dy;
            if (y < 0 || y >= image.height()) continue;
            int inked = 0;
            for (int x = qRound(from.x()); x < qRound(to.x()); ++x)
                inked += qGray(image.pixel(std::clamp(x, 0, image.width() - 1), y)) < 128;
            best = std::max(best, inked);
        }
        QVERIFY2(best >= 0.8 * (to.x() - from.x()),
                 qPrintable(QStringLiteral("scale %1: %2 of %3 pixels")
                                .arg(scale)
                                .arg(best)
                                .arg(to.x() - from.x())));
    }
}

void MetafileTest::justificationSpreadsTheExtraSpace_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<double>("extra");          // spread over the run, device units
    QTest::addColumn<QList<double>>("shares");  // per break, device units
    QTest::addColumn<double>("recordAdvance");  // the record's own advance; 0: none
    // One logical unit is one device unit in these files.
    const auto wmf = [](int count, int extra, bool dx) {
        WmfWriter w;
        w.font(-40, 0, "Arial", 0, false, false).selectObject(0);
        w.record(0x020A, {count, extra});  // SetTextJustification: count, extra
        if (dx) {
            QByteArray ext;
            for (int v : {10, 10, 5, 0}) putU16(ext, static_cast<std::uint16_t>(v));
            ext.append("a b c\0", 6);
            for (int i = 0; i < 5; ++i) putU16(ext, 20);
            w.raw(0x0A32, ext);
        } else {
            w.textOut(10, 10, "a b c");
        }
        return w.placeable(QRect(0, 0, 400, 100), 96);
    };
    QTest::newRow("two breaks share 30")
        << wmf(2, 30, false) << 30.0 << QList<double>{15, 15} << 0.0;
    // The division leaves some over: the first breaks take a unit more.
    QTest::newRow("two breaks share 31")
        << wmf(2, 31, false) << 31.0 << QList<double>{16, 15} << 0.0;
    QTest::newRow("reset") << wmf(0, 0, false) << 0.0 << QList<double>{0, 0} << 0.0;
    // Advances given by the record win.
    QTest::newRow("ExtTextOut with advances") << wmf(2, 30, true) << 0.0 << QList<double>{} << 20.0;
    EmfWriter e(QRect(0, 0, 10583, 2646));
    e.raw(82, emfFont(1, -40, QStringLiteral("Arial")))
        .selectObject(1)
        .record(120, {24, 2})  // EMR_SETTEXTJUSTIFICATION: extra, count
        .raw(84, emfTextW(10, 10, QStringLiteral("a b c"), {}));
    QTest::newRow("EMF") << e.finish() << 24.0 << QList<double>{12, 12} << 0.0;
}

void MetafileTest::justificationSpreadsTheExtraSpace() {
    QFETCH(QByteArray, bytes);
    QFETCH(double, extra);
    QFETCH(QList<double>, shares);
    QFETCH(double, recordAdvance);
    const ParsedMetafile parsed =
        bytes.startsWith("\x01\0\0\0") ? parseEmf(bytes) : parseWmf(bytes);
    const auto texts = record(parsed).all<TextStep>();
    QCOMPARE(texts.size(), std::size_t(1));
    const TextItem& t = texts[0];
    const double toDevice = std::hypot(t.frame.m11(), t.frame.m12());
    if (recordAdvance > 0) {
        for (double a : t.advances) QVERIFY(near(a * toDevice, recordAdvance, 1e-6));
        return;
    }
    const QFontMetricsF metrics(t.font);
    const double natural = metrics.horizontalAdvance(t.text) * toDevice;
    QVERIFY2(near(t.width * toDevice, natural + extra, 0.01),
             qPrintable(
                 QStringLiteral("%1 vs %2 + %3").arg(t.width * toDevice).arg(natural).arg(extra)));
    if (extra == 0) return;
    int k = 0;
    for (qsizetype i = 0; i < t.text.size(); ++i) {
        if (t.text[i] != QLatin1Char(' ')) continue;
        const double share =
            (t.advances[static_cast<std::size_t>(i)] - metrics.horizontalAdvance(t.text[i])) *
            toDevice;
        QVERIFY2(near(share, shares.value(k++), 0.01), qPrintable(QString::number(share)));
    }
}

void MetafileTest::escapementTurnsTextOnTheDevice_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QPointF>("baseline");  // device direction, unit length
    QTest::addColumn<bool>("upright");      // not mirrored on the device
    for (int mode : {1, 2}) {
        for (bool yUp : {false, true}) {
            for (int escapement : {900, 2700}) {
                EmfWriter w(QRect(0, 0, 10583, 7938));
                if (yUp)
                    w.record(17, {8})
                        .record(9, {400, 300})
                        .record(11, {400, -300})
                        .record(12, {0, 300});
                w.raw(82, emfFont(1, -20, QStringLiteral("Arial"), 1, escapement))
                    .selectObject(1)
                    .raw(84, emfTextW(40, 150, QStringLiteral("Axis"), {}, mode));
                const QString name =
                    QStringLiteral("%1, y %2, %3")
                        .arg(mode == 1 ? QStringLiteral("compatible") : QStringLiteral("advanced"))
                        .arg(yUp ? QStringLiteral("up") : QStringLiteral("down"))
                        .arg(escapement);
                // 900 tenths: upwards on the device, the glyphs upright, except in the
                // compatible mode under a mapping that mirrors the picture, which mirrors the
                // turn (office charts write 2700 for an upward title there).
                const bool up = (escapement == 900) != (mode == 1 && yUp);
                QTest::newRow(qPrintable(name)) << w.finish() << QPointF(0, up ? -1 : 1) << true;
            }
        }
    }
    // Both axes flipped (a half turn, no mirror): the compatible mode turns the text on the
    // device only.
    WmfWriter flipped;
    flipped.mapMode(8)
        .record(0x020B, {300, 400})    // window origin: y, x
        .record(0x020C, {-300, -400})  // window extent: both negative
        .font(-20, 0, "Arial", 900, false, false)
        .selectObject(0)
        .textOut(200, 150, "Axis");
    QTest::newRow("WMF, both axes flipped")
        << flipped.placeable(QRect(0, 0, 400, 300), 96) << QPointF(0, -1) << true;
    // WMF text is always in the compatible mode: y growing upwards mirrors the turn.
    WmfWriter chart;
    chart.mapMode(8)
        .record(0x020B, {300, 0})
        .record(0x020C, {-300, 400})
        .font(-20, 0, "Arial", 2700, false, false)
        .selectObject(0)
        .textOut(40, 150, "Axis");
    QTest::newRow("WMF, y up, 2700")
        << chart.placeable(QRect(0, 0, 400, 300), 96) << QPointF(0, -1) << true;
    // In the advanced mode the world transform turns the text: a quarter turn makes an
    // unturned font run downwards.
    EmfWriter turned(QRect(0, 0, 10583, 7938));
    QByteArray xform;
    for (float v : {0.0f, 1.0f, -1.0f, 0.0f, 200.0f, 50.0f}) putF32(xform, v);
    turned.raw(35, xform)
        .raw(82, emfFont(1, -20, QStringLiteral("Arial")))
        .selectObject(1)
        .raw(84, emfTextW(0, 0, QStringLiteral("Down"), {}, 2));
    QTest::newRow("advanced, world turned") << turned.finish() << QPointF(0, 1) << true;
}

void MetafileTest::escapementTurnsTextOnTheDevice() {
    QFETCH(QByteArray, bytes);
    QFETCH(QPointF, baseline);
    QFETCH(bool, upright);
    const ParsedMetafile parsed =
        bytes.startsWith("\x01\0\0\0") ? parseEmf(bytes) : parseWmf(bytes);
    const auto texts = record(parsed).all<TextStep>();
    QCOMPARE(texts.size(), std::size_t(1));
    const QPointF d = along(texts[0]);
    QVERIFY2(near(d.x(), baseline.x(), 1e-6) && near(d.y(), baseline.y(), 1e-6),
             qPrintable(QStringLiteral("%1, %2").arg(d.x()).arg(d.y())));
    QCOMPARE(texts[0].frame.determinant() > 0, upright);
}

void MetafileTest::officeChartTitlesReadUpwards_data() {
    QTest::addColumn<QString>("path");
    // Charts whose mapping makes y grow upwards and whose y axis title has an escapement of
    // 2700: it reads upwards, centred on its axis, as the chart's layout shows.
    for (const char* name :
         {"libemf2svg_test-003.emf", "libemf2svg_test-063.emf", "libemf2svg_test-137.emf"})
        QTest::newRow(name) << QStringLiteral(ZAROVIA_CORPUS "/emf/") + QLatin1String(name);
}

void MetafileTest::officeChartTitlesReadUpwards() {
    QFETCH(QString, path);
    QFile file(path);
    ZAROVIA_REQUIRE_INPUT(file.open(QIODevice::ReadOnly), path);
    const auto texts = record(parseEmf(file.readAll())).all<TextStep>();
    int turned = 0;
    for (const TextStep& t : texts) {
        const QPointF d = along(t);
        if (std::abs(d.y()) < 0.5) continue;
        ++turned;
        QVERIFY2(near(d.x(), 0, 1e-6) && near(d.y(), -1, 1e-6), qPrintable(t.text));
    }
    QVERIFY(turned > 0);
}

void MetafileTest::symbolFacesInRecords_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("advances");
    WmfWriter symbol;
    symbol.font(-40, 2, "Symbol", 0, false, false).selectObject(0).textOut(0, 0, "ab\xb9");
    QTest::newRow("WMF Symbol bytes")
        << symbol.placeable(QRect(0, 0, 400, 100), 96) << QStringLiteral("αβ≠") << 0;
    WmfWriter wingdings;
    QByteArray ext;
    for (int v : {0, 0, 2, 0}) putU16(ext, static_cast<std::uint16_t>(v));
    ext.append("!J");
    putU16(ext, 30);
    putU16(ext, 40);
    wingdings.font(-40, 2, "Wingdings", 0, false, false).selectObject(0).raw(0x0A32, ext);
    // The pencil lies outside the basic plane: its advance stays on its first unit.
    QTest::newRow("WMF Wingdings with advances") << wingdings.placeable(QRect(0, 0, 400, 100), 96)
                                                 << QString::fromUcs4(U"\U0001F589\u263A") << 3;
    EmfWriter wide(QRect(0, 0, 10583, 2646));
    wide.raw(82, emfFont(1, -40, QStringLiteral("Symbol"), 2))
        .selectObject(1)
        .raw(84, emfTextW(0, 0, QString::fromUtf16(u"\uF061p"), {}));
    QTest::newRow("EMF Symbol, private area and plain codes")
        << wide.finish() << QStringLiteral("απ") << 0;
}

void MetafileTest::symbolFacesInRecords() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(int, advances);
    const ParsedMetafile parsed =
        bytes.startsWith("\x01\0\0\0") ? parseEmf(bytes) : parseWmf(bytes);
    const auto texts = record(parsed).all<TextStep>();
    QCOMPARE(texts.size(), std::size_t(1));
    QCOMPARE(texts[0].text, text);
    QCOMPARE(int(texts[0].advances.size()), advances);
    if (advances == 3) QCOMPARE(texts[0].advances[1], 0.0);
}

}  // namespace zarovia::picture::metafile::test

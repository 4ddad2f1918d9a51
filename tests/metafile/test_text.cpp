#include "MetafileTest.h"
#include "picture/metafile/FontMapping.h"
#include "picture/metafile/GlyphCache.h"
#include "picture/metafile/Metafile.h"
#include "picture/metafile/TextDecoding.h"

#include <QFontInfo>
#include <QRawFont>
#include <QtTest>

namespace zarovia::picture::metafile::test {

namespace {

// "日本語" and "ＭＳ ゴシック" in Shift-JIS.
const QByteArray kNihongoSjis("\x93\xFA\x96\x7B\x8C\xEA", 6);
const QByteArray kMsGothicSjis("\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E", 13);

}  // namespace

void MetafileTest::japaneseFacesMapToInstalledFonts_data() {
    QTest::addColumn<QString>("face");
    QTest::addColumn<int>("charset");
    QTest::addColumn<QString>("family");
    QTest::newRow("ＭＳ ゴシック")
        << QStringLiteral("ＭＳ ゴシック") << 128 << QStringLiteral("IPAGothic");
    QTest::newRow("ＭＳ 明朝") << QStringLiteral("ＭＳ 明朝") << 128 << QStringLiteral("IPAMincho");
    QTest::newRow("ＭＳ Ｐゴシック")
        << QStringLiteral("ＭＳ Ｐゴシック") << 128 << QStringLiteral("IPAPGothic");
    QTest::newRow("ＭＳ Ｐ明朝") << QStringLiteral("ＭＳ Ｐ明朝") << 128
                                 << QStringLiteral("IPAPMincho");
    QTest::newRow("MS PGothic") << QStringLiteral("MS PGothic") << 0
                                << QStringLiteral("IPAPGothic");
    QTest::newRow("unknown face, Shift-JIS")
        << QStringLiteral("Unknown") << 128 << QStringLiteral("IPAPGothic");
    QTest::newRow("Arial") << QStringLiteral("Arial") << 0 << QStringLiteral("Nimbus Sans");
    QTest::newRow("Times New Roman")
        << QStringLiteral("Times New Roman") << 0 << QStringLiteral("Nimbus Roman");
}

void MetafileTest::japaneseFacesMapToInstalledFonts() {
    QFETCH(QString, face);
    QFETCH(int, charset);
    QFETCH(QString, family);
    QCOMPARE(substituteFamily(face, charset, 0), family);
    QFont font(family);
    // Installed, not a silent fallback (fontconfig may add the foundry: "Nimbus Sans [urw]").
    QVERIFY2(QFontInfo(font).family().startsWith(family), qPrintable(QFontInfo(font).family()));
}

void MetafileTest::shiftJisTextIsDecodedAndDrawn() {
    WmfWriter w;
    w.createFont(-40, 128, kMsGothicSjis)
        .selectObject(0)
        .record(0x0102, {1})
        .textOut(5, 5, kNihongoSjis);
    const QByteArray bytes = w.placeable(QRect(0, 0, 200, 60), 96);
    const auto texts = record(parseWmf(bytes)).all<TextStep>();
    QCOMPARE(texts.size(), std::size_t(1));
    QCOMPARE(texts[0].text, QStringLiteral("日本語"));
    QCOMPARE(texts[0].font.family(), QStringLiteral("IPAGothic"));
    QVERIFY(!layOutGlyphs(texts[0]).empty());

    const QImage image = decodeWmf(bytes).toImage();
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128) ++inked;
    QVERIFY2(inked > 200, qPrintable(QString::number(inked)));
}

void MetafileTest::doubleByteAdvancesAreSummedPerCharacter() {
    QByteArray bytes = kNihongoSjis.left(4) + "a";
    const DecodedText decoded = decodeAnsiText(bytes, 128, {10, 11, 20, 21, 5});
    QCOMPARE(decoded.text, QStringLiteral("日本a"));
    QCOMPARE(decoded.dx, (std::vector<double>{21, 41, 5}));
    // A lead byte at the very end has no partner: the advances still line up.
    const DecodedText cut = decodeAnsiText(QByteArray("a\x93", 2), 128, {7, 8});
    QVERIFY(cut.dx.empty() || cut.dx.size() == static_cast<std::size_t>(cut.text.size()));
    QCOMPARE(decodeAnsiText(QByteArray("\xE9", 1), 0, {}).text, QStringLiteral("é"));
    QCOMPARE(decodeAnsiText(QByteArray("ap", 2), 2, {}, SymbolFace::Symbol).text,
             QStringLiteral("απ"));
}

void MetafileTest::textAlignmentUpdatesTheCurrentPosition() {
    EmfWriter w(QRect(0, 0, 5292, 2646));  // 200 x 100 px
    w.raw(82, emfFont(1, -20, QStringLiteral("Arial")))
        .selectObject(1)
        .record(22, {1 | 24})  // TA_UPDATECP | TA_BASELINE
        .record(27, {10, 50})  // MoveToEx
        .raw(84, emfTextW(0, 0, QStringLiteral("AB"), {30, 30}))
        .raw(84, emfTextW(0, 0, QStringLiteral("C"), {}));
    const auto texts = record(parseEmf(w.finish())).all<TextStep>();
    QCOMPARE(texts.size(), std::size_t(2));
    QVERIFY(std::abs(texts[0].frame.map(QPointF(0, 0)).x() - 10) < 1e-6);
    QVERIFY(std::abs(texts[1].frame.map(QPointF(0, 0)).x() - 70) < 1e-6);
    QVERIFY(std::abs(texts[1].frame.map(QPointF(0, 0)).y() - 50) < 1e-6);
}

void MetafileTest::emfWideTextKeepsItsAdvances() {
    EmfWriter w(QRect(0, 0, 5292, 2646));
    w.raw(82, emfFont(1, -20, QStringLiteral("Arial")))
        .selectObject(1)
        .raw(84, emfTextW(5, 5, QStringLiteral("日x"), {12, 15}));
    const auto texts = record(parseEmf(w.finish())).all<TextStep>();
    QCOMPARE(texts.size(), std::size_t(1));
    QCOMPARE(texts[0].text, QStringLiteral("日x"));
    const double unitsPerDevice = double(kReferencePixels) / 20.0;
    QCOMPARE(texts[0].advances.size(), std::size_t(2));
    QVERIFY(std::abs(texts[0].advances[0] - 12 * unitsPerDevice) < 1e-6);
    QVERIFY(std::abs(texts[0].advances[1] - 15 * unitsPerDevice) < 1e-6);
    // The opaque default background lies behind the characters.
    QVERIFY(texts[0].background.has_value());
}

}  // namespace zarovia::picture::metafile::test

namespace zarovia::picture::metafile::test {

void MetafileTest::simpleGlyphsMatchTheTextLayout_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("advances");
    QTest::addColumn<bool>("simple");
    QTest::newRow("Latin") << "Nimbus Sans"
                           << "Hello, world" << false << true;
    QTest::newRow("Latin with advances") << "Nimbus Sans"
                                         << "A B" << true << true;
    QTest::newRow("Japanese in its own face") << "IPAGothic"
                                              << "日本語テキスト" << false << true;
    // These need a fallback font or shaping: the text layout places them.
    QTest::newRow("Japanese in a Latin face") << "Nimbus Sans"
                                              << "日本" << false << false;
    QTest::newRow("combining mark")
        << "DejaVu Sans" << QString::fromUtf16(u"e\u0301") << false << false;
    QTest::newRow("Arabic") << "DejaVu Sans" << QString::fromUtf16(u"\u0633\u0644\u0627\u0645")
                            << false << false;
}

// Plain text skips the text layout at its first draw; where it may, it must place the same
// glyphs at the same places.
void MetafileTest::simpleGlyphsMatchTheTextLayout() {
    QFETCH(QString, family);
    QFETCH(QString, text);
    QFETCH(bool, advances);
    QFETCH(bool, simple);
    TextItem item;
    item.text = text;
    item.font = QFont(family);
    item.font.setPixelSize(kReferencePixels);
    item.font.setKerning(false);
    item.font.setHintingPreference(QFont::PreferNoHinting);
    item.start = QPointF(3, 40);
    if (advances) item.advances.assign(static_cast<std::size_t>(text.size()), 50.0);
    const std::vector<QGlyphRun> fast = layOutSimpleGlyphs(item, QRawFont::fromFont(item.font));
    QCOMPARE(!fast.empty(), simple);
    if (!simple) return;
    const std::vector<QGlyphRun> laidOut = layOutGlyphs(item);
    QCOMPARE(fast.size(), std::size_t(1));
    QCOMPARE(laidOut.size(), std::size_t(1));
    // Blanks have no ink: the fast way leaves them out.
    const quint32 blank =
        QRawFont::fromFont(item.font).glyphIndexesForString(QStringLiteral(" "))[0];
    QList<quint32> inked;
    QList<QPointF> b;
    for (qsizetype i = 0; i < laidOut[0].glyphIndexes().size(); ++i) {
        if (laidOut[0].glyphIndexes()[i] == blank) continue;
        inked.append(laidOut[0].glyphIndexes()[i]);
        b.append(laidOut[0].positions()[i]);
    }
    QCOMPARE(fast[0].glyphIndexes(), inked);
    const QList<QPointF> a = fast[0].positions();
    QCOMPARE(a.size(), b.size());
    for (qsizetype i = 0; i < a.size(); ++i)
        QVERIFY2(std::abs(a[i].x() - b[i].x()) < 0.01 && std::abs(a[i].y() - b[i].y()) < 0.01,
                 qPrintable(QStringLiteral("glyph %1: %2,%3 vs %4,%5")
                                .arg(i)
                                .arg(a[i].x())
                                .arg(a[i].y())
                                .arg(b[i].x())
                                .arg(b[i].y())));
}

}  // namespace zarovia::picture::metafile::test

#include "MetafileBombs.h"
#include "MetafileTest.h"
#include "picture/metafile/Metafile.h"
#include "platform/Cancellation.h"

#include <QPainter>
#include <QtTest>

namespace zarovia::picture::metafile::test {

namespace {

// A job scope that stops wanting its work after `checks` checkpoints, and counts them.
struct StopAfter {
    explicit StopAfter(int checks) : left(checks) {}
    bool stillWanted() {
        ++asked;
        return --left >= 0;
    }
    int left;
    int asked = 0;
};

// Many clip changes and lines in each format: many records, many steps.
QByteArray manyRecords(const QString& format) {
    if (format == QLatin1String("wmf")) return bombs::clipChurnBomb(20'000, false);
    EmfWriter w(QRect(0, 0, 2646, 2646));
    QByteArray plus = plusHeader(false);
    for (int i = 0; i < 20'000; ++i) {
        if (format == QLatin1String("emf")) {
            w.record(33, {})
                .record(30, {i % 90, i % 90, i % 90 + 10, i % 90 + 10})
                .record(43, {0, 0, 99, 99})
                .record(34, {-1});
        } else {
            plus += plusRecord(0x400A, 0x8000,
                               words({0xFF102030, 1}) + floats({float(i % 90), 0, 10, 10}));
        }
    }
    if (format == QLatin1String("emf+")) w.plus(plus + plusRecord(0x4002, 0));
    return w.finish();
}

}  // namespace

void MetafileTest::workNoLongerWantedStops_data() {
    QTest::addColumn<QString>("format");
    for (const char* format : {"wmf", "emf", "emf+"}) QTest::newRow(format) << format;
}

// A parse or a draw for a file the user has left stops at its next checkpoint: every record is
// one, and every step drawn. A draw that stops keeps nothing: the pixels prepared before stay,
// and their account is as it was.
void MetafileTest::workNoLongerWantedStops() {
    QFETCH(QString, format);
    const QByteArray bytes = manyRecords(format);
    const auto decode = [&] {
        return format == QLatin1String("wmf") ? decodeWmf(bytes) : decodeEmf(bytes);
    };
    {
        StopAfter stop(100);
        CancellationScope scope([&] { return stop.stillWanted(); });
        QVERIFY_THROWS_EXCEPTION(WorkCancelled, decode());
        QCOMPARE(stop.asked, 101);  // no record after the first checkpoint that said no
    }
    const Picture picture = decode();
    const auto* data = dynamic_cast<const MetafilePictureData*>(picture.data());
    QVERIFY(data && data->parsed().list.stepCount() > 1000);
    picture.prepare(QSize(50, 50));
    const std::int64_t held = data->pixelAccount().used();
    {
        StopAfter stop(500);
        CancellationScope scope([&] { return stop.stillWanted(); });
        QVERIFY_THROWS_EXCEPTION(WorkCancelled, picture.prepare(QSize(80, 80)));
        QCOMPARE(stop.asked, 501);
    }
    QVERIFY(data->isPreparedFor(QSize(50, 50)));
    QVERIFY(!data->isPreparedFor(QSize(80, 80)));
    QCOMPARE(data->pixelAccount().used(), held);
    // Outside any scope nothing stops.
    picture.prepare(QSize(80, 80));
    QVERIFY(data->isPreparedFor(QSize(80, 80)));
}

}  // namespace zarovia::picture::metafile::test

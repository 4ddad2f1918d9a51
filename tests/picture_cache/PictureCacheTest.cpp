// The read-ahead cache: loads answered on the window's thread, eviction by bytes, failures
// forgotten, speculation, stale stamps, loads the user has left.
#include "picture/PictureCache.h"
#include "picture/PictureLoader.h"
#include "picture/jpeg/JpegHeader.h"
#include "picture/jpeg/JpegPictureData.h"
#include "platform/Failure.h"
#include "support/FakeFileSource.h"
#include "support/QuickTry.h"

#include <jerror.h>
#include <sys/stat.h>
#include <utime.h>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

using namespace zarovia;
using picture::LoadedPicture;
using picture::PictureCache;
using testing::FakeFileSource;

namespace {

// A 24-bit bitmap of `side` x `side` filled with `colour`: `side`^2 * 4 bytes once decoded.
QByteArray writeBitmap(const QTemporaryDir& dir, const QString& name, int side, QRgb colour) {
    QImage image(side, side, QImage::Format_RGB888);
    image.fill(colour);
    const QString path = dir.filePath(name);
    image.save(path, "BMP");
    return QFile::encodeName(path);
}

// A JPEG of noise, far larger than the head a large JPEG is loaded from.
QByteArray writeNoiseJpeg(const QTemporaryDir& dir, const QString& name, QSize size, quint32 seed) {
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) row[x] = random.generate() | 0xFF000000u;
    }
    const QString path = dir.filePath(name);
    image.save(path, "JPEG", 95);
    return QFile::encodeName(path);
}

// A JPEG of noise, larger than the head a large JPEG is loaded from, with its top left quarter
// (400 x 300) in `mark`.
QByteArray writeMarkedJpeg(const QTemporaryDir& dir, const QString& name, QRgb mark) {
    const QByteArray path = writeNoiseJpeg(dir, name, {1600, 1200}, mark);
    QImage image(QFile::decodeName(path));
    QPainter(&image).fillRect(0, 0, 400, 300, QColor::fromRgb(mark));
    image.save(QFile::decodeName(path), "JPEG", 95);
    return path;
}

// The colour the picture shows at the middle of its marked quarter, drawn at 640 x 480.
QRgb shownMark(const picture::Picture& picture) {
    QImage canvas(640, 480, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    picture.draw(painter, QRectF(0, 0, 640, 480));
    return canvas.pixel(80, 60);
}

bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24 &&
           std::abs(qBlue(a) - qBlue(b)) < 24;
}

// The file system, with the file at `path` replaced by `replacement` (renamed over it) at the
// `at`th open, just before or just after that open.
class ReplacingFileSource : public FileSource {
public:
    ReplacingFileSource(QByteArray path, QByteArray replacement, int at, bool afterOpening)
        : path_(std::move(path)),
          replacement_(std::move(replacement)),
          at_(at),
          after_(afterOpening) {}
    std::shared_ptr<ReadOnlyFile> open(const QByteArray& path) const override {
        const int n = ++opens;
        if (n == at_ && !after_) replace();
        auto file = FileSource::open(path);
        if (n == at_ && after_) replace();
        return file;
    }
    mutable std::atomic<int> opens{0};

private:
    void replace() const {
        QTest::qSleep(20);  // a later change time
        if (::rename(replacement_.constData(), path_.constData()) != 0)
            qWarning("could not put %s in place", replacement_.constData());
    }
    QByteArray path_;
    QByteArray replacement_;
    int at_;
    bool after_;
};

QString failureText(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Failure& caught) {
        return caught.message();
    } catch (...) {
    }
    return QString();
}

struct Outcome {
    std::optional<LoadedPicture> loaded;
    int firstLooks = 0;
};

}  // namespace

class PictureCacheTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    struct Traffic {
        FakeFileSource::Counter readDelayMs = std::make_shared<std::atomic<int>>(0);
        FakeFileSource::Counter reads = std::make_shared<std::atomic<int>>(0);
        FakeFileSource::Counter readsOnWindowThread = std::make_shared<std::atomic<int>>(0);
        FakeFileSource::Counter blockingReads = std::make_shared<std::atomic<int>>(0);
    } rec;
    std::shared_ptr<testing::FakeFileSource> files;
    std::shared_ptr<WorkerPool> workers;

    std::unique_ptr<PictureCache> makeCache(std::int64_t budget) {
        rec = Traffic();
        files = std::make_shared<testing::FakeFileSource>(
            rec.readDelayMs, rec.reads, rec.readsOnWindowThread, rec.blockingReads);
        workers = std::make_shared<WorkerPool>();
        return std::make_unique<PictureCache>(files, workers, budget);
    }
    // Loads on the workers and waits on this thread for the answer, as the window gets it.
    LoadedPicture load(PictureCache& cache, const QByteArray& path,
                       PictureCache::Wanted wanted = {}) {
        std::optional<LoadedPicture> result;
        cache.load(
            path, QSize(640, 480), 1.0, this,
            [&result](LoadedPicture loaded) { result = std::move(loaded); }, {}, std::move(wanted));
        [&] { QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 10000); }();
        return result.value_or(LoadedPicture{});
    }

private slots:
    void loadAnswersOnTheCallingThread() {
        auto cache = makeCache(64 * picture::kMiB);
        const QByteArray path = writeBitmap(dir, "a.bmp", 40, qRgb(255, 0, 0));
        QThread* answeredOn = nullptr;
        std::optional<LoadedPicture> result;
        cache->load(path, QSize(640, 480), 1.0, this, [&](LoadedPicture loaded) {
            answeredOn = QThread::currentThread();
            result = std::move(loaded);
        });
        QTRY_VERIFY(result.has_value());
        QCOMPARE(answeredOn, QThread::currentThread());
        QVERIFY(!result->failure);
        QCOMPARE(result->picture.size(), QSize(40, 40));
        QCOMPARE(*rec.readsOnWindowThread, 0);
    }

    void failuresComeBackWithTheirText_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("text");
        QTest::newRow("missing") << "missing.bmp" << QByteArray() << "ファイルが見つかりません";
        QTest::newRow("not a bitmap")
            << "bad.bmp" << QByteArray(64, 'x') << "ビットマップイメージが不正です";
        QTest::newRow("no decoder") << "a.png" << QByteArray("png") << "拡張子 .png";
    }
    void failuresComeBackWithTheirText() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, text);
        auto cache = makeCache(64 * picture::kMiB);
        const QString path = dir.filePath(name);
        if (!content.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const LoadedPicture loaded = load(*cache, QFile::encodeName(path));
        QVERIFY(loaded.picture.isNull());
        QVERIFY(loaded.failure);
        try {
            std::rethrow_exception(loaded.failure);
        } catch (const Failure& failure) {
            QVERIFY2(failure.message().contains(text), qPrintable(failure.message()));
        }
    }

    void readAheadIsAnsweredOnceAndFromTheCache() {
        auto cache = makeCache(64 * picture::kMiB);
        const QByteArray path = writeBitmap(dir, "ahead.bmp", 64, qRgb(0, 255, 0));
        *rec.readDelayMs = 300;  // the load arrives while the read ahead is still under way
        cache->prefetch(path, QSize(640, 480));
        const LoadedPicture loaded = load(*cache, path);
        QVERIFY(!loaded.failure);
        QVERIFY(loaded.fromCache);
        QCOMPARE(*rec.reads, 1);
        QCOMPARE(cache->hits(), 1);
    }

    // The budget counts bytes: decoded pixels and files being read alike.
    void evictsTheOldestByBytes() {
        const std::int64_t picture = 512LL * 512 * 4;  // one decoded bitmap
        auto cache = makeCache(3 * picture + picture / 2);
        QList<QByteArray> paths;
        for (int i = 0; i < 5; ++i) {
            paths.append(writeBitmap(dir, QStringLiteral("e%1.bmp").arg(i), 512, qRgb(i, 0, 0)));
            cache->prefetch(paths.last(), QSize(640, 480));
            QVERIFY(workers->waitForIdle(10000));
            QVERIFY(cache->heldBytes() <= 3 * picture + picture / 2);
        }
        QCOMPARE(cache->entryCount(), 3);
        QVERIFY(!cache->holds(paths[0]));
        QVERIFY(!cache->holds(paths[1]));
        QVERIFY(cache->holds(paths[4]));
        // A picture larger than the whole budget is never kept.
        auto small = makeCache(picture / 2);
        small->prefetch(paths[0], QSize(640, 480));
        QVERIFY(workers->waitForIdle(10000));
        QCOMPARE(small->entryCount(), 0);
        QCOMPARE(small->heldBytes(), 0);
    }

    void failedReadAheadIsForgotten() {
        auto cache = makeCache(64 * picture::kMiB);
        const QString path = dir.filePath("broken.bmp");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BM not really");
        f.close();
        cache->prefetch(QFile::encodeName(path), QSize(640, 480));
        QVERIFY(workers->waitForIdle(10000));
        QCOMPARE(cache->entryCount(), 0);
        // The show reads the file again and reports what it finds.
        const LoadedPicture loaded = load(*cache, QFile::encodeName(path));
        QVERIFY(loaded.failure);
        QCOMPARE(*rec.reads, 2);
    }

    void speculationSkipsLargeFiles() {
        auto cache = makeCache(160 * picture::kMiB);
        // 2900 x 2900 x 3 bytes: a file larger than a speculative read ahead takes.
        const QByteArray big = writeBitmap(dir, "big.bmp", 2900, qRgb(1, 2, 3));
        QVERIFY(QFileInfo(QString::fromLocal8Bit(big)).size() >
                PictureCache::kMaxReadAheadWorkingBytes);
        cache->prefetch(big, QSize(640, 480), PictureCache::Use::Speculative);
        QVERIFY(workers->waitForIdle(10000));
        QCOMPARE(*rec.reads, 0);
        QVERIFY(!cache->holds(big));
        cache->prefetch(big, QSize(640, 480), PictureCache::Use::Certain);
        QVERIFY(workers->waitForIdle(10000));
        QCOMPARE(*rec.reads, 1);
        QVERIFY(cache->holds(big));
    }

    // Same size and modification time, new content: the inode or the change time tells.
    void staleStampsAreReadAgain_data() {
        QTest::addColumn<bool>("replaceByRename");
        QTest::newRow("rewritten in place") << false;
        QTest::newRow("replaced by another file") << true;
    }
    void staleStampsAreReadAgain() {
        QFETCH(bool, replaceByRename);
        auto cache = makeCache(64 * picture::kMiB);
        const QByteArray path = writeBitmap(dir, "stamp.bmp", 32, qRgb(255, 0, 0));
        struct stat before {};
        QVERIFY(::stat(path.constData(), &before) == 0);
        cache->prefetch(path, QSize(640, 480));
        QVERIFY(workers->waitForIdle(10000));
        QVERIFY(cache->holds(path));
        QTest::qWait(20);  // a later change time
        if (replaceByRename) {
            const QByteArray other = writeBitmap(dir, "other.bmp", 32, qRgb(0, 0, 255));
            QVERIFY(::rename(other.constData(), path.constData()) == 0);
        } else {
            writeBitmap(dir, "stamp.bmp", 32, qRgb(0, 0, 255));
        }
        // Put the old modification time back: size and mtime now match what was read ahead.
        const struct utimbuf times { before.st_atime, before.st_mtime };
        QVERIFY(::utime(path.constData(), &times) == 0);
        const LoadedPicture loaded = load(*cache, path);
        QVERIFY(!loaded.failure);
        QVERIFY(!loaded.fromCache);
        QCOMPARE(loaded.picture.toImage().pixel(5, 5), qRgb(0, 0, 255));
    }

    // A large JPEG is read by its head, then decoded from its file piece by piece: the cache
    // never holds it whole. Changed afterwards, it keeps the decode it has, and printing it
    // reports the change.
    void largeJpegIsNeverHeldWhole() {
        auto cache = makeCache(64 * picture::kMiB);
        const QByteArray path = writeNoiseJpeg(dir, "large.jpg", {1600, 1200}, 1);
        const qint64 fileSize = QFileInfo(QFile::decodeName(path)).size();
        QVERIFY2(fileSize > 2 * picture::kJpegHeadBytes, qPrintable(QString::number(fileSize)));
        const LoadedPicture loaded = load(*cache, path);
        QVERIFY(!loaded.failure);
        QCOMPARE(loaded.picture.size(), QSize(1600, 1200));
        const auto* jpeg =
            dynamic_cast<const picture::jpeg::JpegPictureData*>(loaded.picture.data());
        QVERIFY(jpeg);
        QVERIFY(jpeg->heldBytes().isEmpty());
        QCOMPARE(jpeg->screenState().scaleDenominator, 2);  // 800 x 600 covers 640 x 480
        QCOMPARE(*rec.reads, 2);                            // the head, then the file opened
        // Its pixels count, not its file: the decode shrunk to the window, held once.
        QCOMPARE(loaded.picture.residentBytes(), 4LL * 640 * 480);

        QTest::qWait(20);  // a later change time
        writeNoiseJpeg(dir, "large.jpg", {1600, 1200}, 2);
        loaded.picture.prepare(QSize(1600, 1200));
        QCOMPARE(jpeg->screenState().scaleDenominator, 2);
        QCOMPARE(jpeg->screenState().failureCode, 0);
        try {
            (void)loaded.picture.toImage();
            QFAIL("printing a picture whose file changed must fail");
        } catch (const Failure& failure) {
            QCOMPARE(failure.message(), QStringLiteral("ストリームからの読み込みエラー"));
        }
    }

    // The picture is kept under the stamp of the descriptor its bytes came from, and each
    // later read of its file checks the descriptor it opens: a file put under the name before
    // the load opens it is what shows (and stays current); one put there after the load opened
    // the file is caught when the decode reads the file again; one put there once the decode
    // has opened the file does not disturb it.
    void theStampIsTheDescriptorsRead_data() {
        QTest::addColumn<int>("replacedAtOpen");  // 1: the load's, 2: the decode's
        QTest::addColumn<bool>("afterOpening");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<bool>("showsReplacement");
        QTest::addColumn<bool>("nextLoadFromCache");
        QTest::newRow("before the load opens it") << 1 << false << false << true << true;
        QTest::newRow("after the load opened it") << 1 << true << true << false << false;
        QTest::newRow("before the decode opens it") << 2 << false << true << false << false;
        QTest::newRow("after the decode opened it") << 2 << true << false << false << false;
    }
    void theStampIsTheDescriptorsRead() {
        QFETCH(int, replacedAtOpen);
        QFETCH(bool, afterOpening);
        QFETCH(bool, fails);
        QFETCH(bool, showsReplacement);
        QFETCH(bool, nextLoadFromCache);
        const QRgb first = qRgb(230, 20, 20);
        const QRgb second = qRgb(20, 20, 230);
        const QByteArray path = writeMarkedJpeg(dir, "replaced.jpg", first);
        const QByteArray replacement = writeMarkedJpeg(dir, "replacement.jpg", second);
        auto source =
            std::make_shared<ReplacingFileSource>(path, replacement, replacedAtOpen, afterOpening);
        PictureCache cache(source, std::make_shared<WorkerPool>(), 64 * picture::kMiB);

        const LoadedPicture loaded = load(cache, path);
        QCOMPARE(source->opens.load(), 2);  // the head, then the file for the decode
        QVERIFY(!loaded.fromCache);
        QCOMPARE(bool(loaded.failure), fails);
        if (fails) {
            QCOMPARE(failureText(loaded.failure), picture::jpeg::jpegErrorText(JERR_FILE_READ));
        } else {
            const QRgb shown = shownMark(loaded.picture);
            QVERIFY2(near(shown, showsReplacement ? second : first),
                     qPrintable(QString::number(shown, 16)));
        }

        const LoadedPicture next = load(cache, path);
        QVERIFY(!next.failure);
        QCOMPARE(next.fromCache, nextLoadFromCache);
        QVERIFY(near(shownMark(next.picture), second));
    }

    // The cache asks the picture: a read ahead counts what its picture says it holds, and is
    // handed over at once only when the picture says it is ready to be drawn at the size.
    void readAheadAsksThePicture_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("replacedAtOpen");  // 0: never; 2: before the decode opens it
        QTest::addColumn<bool>("ready");
        QTest::addColumn<qint64>("held");
        QTest::newRow("bitmap") << "ask.bmp" << 0 << true << 4LL * 300 * 300;
        QTest::newRow("jpeg, its decode shrunk to the window")
            << "ask.jpg" << 0 << true << 4LL * 640 * 480;
        QTest::newRow("jpeg whose file changed before its decode")
            << "ask.jpg" << 2 << false << 0LL;
    }
    void readAheadAsksThePicture() {
        QFETCH(QString, file);
        QFETCH(int, replacedAtOpen);
        QFETCH(bool, ready);
        QFETCH(qint64, held);
        const QByteArray path = file.endsWith(u".bmp")
                                    ? writeBitmap(dir, file, 300, qRgb(7, 7, 7))
                                    : writeMarkedJpeg(dir, file, qRgb(230, 20, 20));
        const QByteArray replacement = writeMarkedJpeg(dir, "other.jpg", qRgb(20, 20, 230));
        auto source =
            std::make_shared<ReplacingFileSource>(path, replacement, replacedAtOpen, false);
        auto pool = std::make_shared<WorkerPool>();
        PictureCache cache(source, pool, 64 * picture::kMiB);
        cache.prefetch(path, QSize(640, 480), PictureCache::Use::Certain);
        QVERIFY(pool->waitForIdle(10000));
        QVERIFY(cache.holds(path));
        QCOMPARE(cache.heldBytes(), held);
        const auto now = cache.readyNow(path, QSize(640, 480), 1.0, 60000);
        QCOMPARE(now.has_value(), ready);
        if (now) QCOMPARE(now->picture.residentBytes(), held);
    }

    void aLoadTheUserLeftIsDropped() {
        auto cache = makeCache(64 * picture::kMiB);
        const QByteArray path = writeBitmap(dir, "left.bmp", 16, qRgb(9, 9, 9));
        bool answered = false;
        cache->load(
            path, QSize(640, 480), 1.0, this, [&](LoadedPicture) { answered = true; }, {},
            [] { return false; });
        QVERIFY(workers->waitForIdle(10000));
        QCoreApplication::processEvents();
        QVERIFY(!answered);
        QCOMPARE(*rec.reads, 0);
        // A receiver that is gone gets nothing, and nothing breaks.
        auto receiver = std::make_unique<QObject>();
        *rec.readDelayMs = 100;
        cache->load(path, QSize(640, 480), 1.0, receiver.get(),
                    [&](LoadedPicture) { answered = true; });
        receiver.reset();
        QVERIFY(workers->waitForIdle(10000));
        QCoreApplication::processEvents();
        QVERIFY(!answered);
    }

    // Two pictures read ahead from a disk that holds each read for seconds, passing no
    // checkpoint: the picture the window asks for meanwhile is read at once, not after them.
    void theShownPictureGetsAWorkerWhileReadingAhead() {
        auto cache = makeCache(64 * picture::kMiB);
        const QByteArray ahead1 = writeBitmap(dir, "ahead1.bmp", 32, qRgb(1, 1, 1));
        const QByteArray ahead2 = writeBitmap(dir, "ahead2.bmp", 32, qRgb(2, 2, 2));
        const QByteArray shown = writeBitmap(dir, "shown.bmp", 8, qRgb(3, 3, 3));
        *rec.blockingReads = 1;
        *rec.readDelayMs = 3000;
        cache->prefetch(ahead1, QSize(640, 480));
        cache->prefetch(ahead2, QSize(640, 480));
        QTRY_VERIFY(*rec.reads >= 1);
        *rec.readDelayMs = 0;
        QElapsedTimer clock;
        clock.start();
        const LoadedPicture loaded = load(*cache, shown);
        const qint64 waited = clock.elapsed();
        QVERIFY(!loaded.failure);
        QCOMPARE(loaded.picture.size(), QSize(8, 8));
        // Waiting for a read ahead would take 3000 ms at least.
        QVERIFY2(waited < 1000, qPrintable(QString::number(waited)));
        QVERIFY(workers->waitForIdle(20000));
    }

    // A read ahead under way stops at its next checkpoint once its entry has gone, and leaves
    // nothing behind.
    void aReadAheadWhoseEntryWentStops() {
        // Room for the slow file's bytes (822) or the other's pixels (1024), not both.
        auto cache = makeCache(1500);
        const QByteArray slow = writeBitmap(dir, "slow.bmp", 16, qRgb(4, 4, 4));
        const QByteArray other = writeBitmap(dir, "other.bmp", 16, qRgb(5, 5, 5));
        *rec.readDelayMs = 5000;  // passing checkpoints
        cache->prefetch(slow, QSize(640, 480), PictureCache::Use::Certain);
        QTRY_VERIFY(*rec.reads >= 1);
        *rec.readDelayMs = 0;
        // Loaded for the window, `other` takes the room: the read ahead's entry is evicted.
        QVERIFY(!load(*cache, other).failure);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(workers->waitForIdle(10000));
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!cache->holds(slow));
        QVERIFY(cache->holds(other));
    }
};

QTEST_MAIN(PictureCacheTest)
#include "PictureCacheTest.moc"

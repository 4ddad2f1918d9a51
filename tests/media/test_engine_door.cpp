// The door between the program and the media engine module. A module file that is cut short,
// changed, of another build or of another interface is refused before anything of it runs
// (a cut-short file mapped would end the process), and the program says so with the
// missing-plug-in text. The real module loads, also once stripped as a package strips it, and
// plays and shows video through its table. Neither side exports more than the door.
#include "media/MediaDevice.h"
#include "media/MediaErrors.h"
#include "media/engine/EngineModuleLoad.h"
#include "media/engine/MediaEngineLoader.h"
#include "media/engine/ModuleMediaDevice.h"
#include "support/QuickTry.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace zarovia;
using namespace zarovia::media;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

QByteArray writeCopy(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return QFile::encodeName(path);
}

// Runs a binutils tool; the build's tool chain always has them.
QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
    return process.readAllStandardOutput();
}

QStringList dynamicSymbols(const QString& file, const QString& which) {
    QStringList names;
    for (const QByteArray& line :
         run(QStringLiteral("nm"), {QStringLiteral("-D"), which, file}).split('\n'))
        if (const QList<QByteArray> fields = line.simplified().split(' '); fields.size() >= 2)
            names << QString::fromLatin1(fields.last());
    return names;
}

class RecordingOutput final : public VideoOutput {
public:
    void presentFrame(const QImage& frame) override { frames << frame; }
    void setDisplayRect(const QRect&) override {}
    void clearVideo() override { ++cleared; }
    QList<QImage> frames;
    int cleared = 0;
};

const QByteArray kModule = ZAROVIA_ENGINE_MODULE;
const QByteArray kOtherBuild = ZAROVIA_OTHER_BUILD_MODULE;

}  // namespace

class EngineDoorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(tmp_.isValid()); }

    void damagedOrForeignFileIsRefusedBeforeLoading_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        const QByteArray module = readAll(QString::fromLocal8Bit(kModule));
        const auto extent = static_cast<qsizetype>(thisBuildsEngine().stamp.extent);
        QVERIFY(extent > 4096 && extent <= module.size());
        const auto flipped = [&module](qsizetype at) {
            QByteArray bytes = module;
            bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
            return bytes;
        };
        QTest::newRow("cut short by one loaded byte") << module.left(extent - 1) << "cut short";
        QTest::newRow("cut in half") << module.left(module.size() / 2) << "cut short";
        QTest::newRow("cut in its headers") << module.left(100) << "cut short";
        QTest::newRow("empty") << QByteArray() << "cut short";
        QTest::newRow("a byte changed in its code") << flipped(extent / 2) << "damaged";
        QTest::newRow("a byte changed in its last loaded byte") << flipped(extent - 1) << "damaged";
        QTest::newRow("its program headers moved") << flipped(32) << "";
        QTest::newRow("not a shared object") << flipped(1) << "not a shared object";
        QTest::newRow("text") << QByteArrayLiteral("#!/bin/sh\n") << "";
        QTest::newRow("of another build")
            << readAll(QString::fromLocal8Bit(kOtherBuild)) << "not the module of this build";
    }
    void damagedOrForeignFileIsRefusedBeforeLoading() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        const QByteArray path = writeCopy(tmp_, QStringLiteral("copy.so"), bytes);
        const EngineLoad load = loadEngineModule(path, thisBuildsEngine());
        QVERIFY(!load.engine);
        QVERIFY2(load.failure.startsWith(QString::fromLocal8Bit(path)), qPrintable(load.failure));
        QVERIFY2(load.failure.contains(why), qPrintable(load.failure));
    }

    void moduleChecksTheProgramThatAsks_data() {
        QTest::addColumn<QByteArray>("module");
        QTest::addColumn<int>("versionStep");
        QTest::addColumn<QByteArray>("identity");
        QTest::addColumn<QString>("why");
        const QByteArray ours = thisBuildsEngine().buildIdentity;
        QTest::newRow("this build") << kModule << 0 << ours << "";
        QTest::newRow("a newer interface") << kModule << 1 << ours << "another interface version";
        QTest::newRow("an older interface") << kModule << -1 << ours << "another interface version";
        QTest::newRow("a module of another build")
            << kOtherBuild << 0 << ours << "from another build";
        QTest::newRow("a program of another build")
            << kModule << 0 << QByteArray("zarovia 0 other") << "from another build";
    }
    // The file passes its check here (its own stamp), so that what the module and the program
    // say of themselves decides.
    void moduleChecksTheProgramThatAsks() {
        QFETCH(QByteArray, module);
        QFETCH(int, versionStep);
        QFETCH(QByteArray, identity);
        QFETCH(QString, why);
        const ModuleStampResult stamp = stampModuleFile(module);
        QVERIFY2(stamp.stamp, qPrintable(stamp.failure));
        const EngineExpectation expected{*stamp.stamp,
                                         ZAROVIA_ENGINE_INTERFACE_VERSION + versionStep, identity};
        const EngineLoad load = loadEngineModule(module, expected);
        QCOMPARE(load.engine.has_value(), why.isEmpty());
        if (load.engine) {
            QCOMPARE(QByteArray(load.engine->build_identity), identity);
        } else {
            QVERIFY2(load.failure.contains(why), qPrintable(load.failure));
        }
    }

    // A package strips the module after the build recorded its stamp, and adds a debug link.
    void strippedModuleKeepsItsStamp() {
        const QString debug = tmp_.filePath(QStringLiteral("engine.debug"));
        const QString stripped = tmp_.filePath(QStringLiteral("stripped.so"));
        const QString module = QString::fromLocal8Bit(kModule);
        run(QStringLiteral("objcopy"), {QStringLiteral("--only-keep-debug"), module, debug});
        run(QStringLiteral("strip"),
            {QStringLiteral("--remove-section=.comment"), QStringLiteral("--remove-section=.note"),
             QStringLiteral("--strip-unneeded"), QStringLiteral("-o"), stripped, module});
        run(QStringLiteral("objcopy"), {QStringLiteral("--add-gnu-debuglink=") + debug, stripped});
        QVERIFY(readAll(stripped) != readAll(module));
        const EngineLoad load = loadEngineModule(QFile::encodeName(stripped), thisBuildsEngine());
        QVERIFY2(load.engine, qPrintable(load.failure));
    }

    // Frames cross the door as shared pixels: the video plays through the module's table.
    void realModulePlaysVideoThroughTheTable() {
        const EngineLoad load = loadEngineModule(kModule, thisBuildsEngine());
        QVERIFY2(load.engine, qPrintable(load.failure));
        load.engine->start();
        std::unique_ptr<MediaDevice> device = createModuleMediaDevice(*load.engine);
        QVERIFY(device);
        RecordingOutput output;
        device->setVideoOutput(&output);
        QSignalSpy opened(device.get(), &MediaDevice::opened);
        QSignalSpy failed(device.get(), &MediaDevice::openFailed);
        QVERIFY_THROWS_EXCEPTION(MediaError, device->play({}));  // nothing open yet
        device->open(QByteArrayLiteral(ZAROVIA_TEST_DATA "/media/clip_mjpeg.avi"));
        QTRY_VERIFY_WITH_TIMEOUT(opened.count() + failed.count() > 0, 10000);
        QVERIFY2(failed.isEmpty(),
                 failed.isEmpty() ? "" : qPrintable(failed.first().at(1).toString()));
        QVERIFY(device->isOpen() && device->hasVideo());
        const QSize natural = device->naturalVideoSize();
        QVERIFY(!natural.isEmpty());
        std::optional<PlayEnd> end;
        device->play([&end](PlayEnd reason) { end = reason; });
        QCOMPARE(device->mode(), MediaMode::Playing);
        QTRY_VERIFY_WITH_TIMEOUT(end.has_value(), 20000);
        QCOMPARE(*end, PlayEnd::Reached);
        QVERIFY(!output.frames.isEmpty());
        QCOMPARE(output.frames.last().size(), natural);
        device->close();
        QVERIFY(output.cleared > 0);
        QCOMPARE(device->mode(), MediaMode::NotOpen);
    }

    // What the user sees: the engine's device fails each open with the missing-plug-in text
    // naming the module and why. Once per process: the program loads its module once.
    void damagedModuleGivesTheMissingPluginText() {
        const QByteArray module = readAll(QString::fromLocal8Bit(kModule));
        const QByteArray cut = writeCopy(tmp_, QStringLiteral("libzarovia_media_engine.so"),
                                         module.left(module.size() / 3));
        qputenv("ZAROVIA_MEDIA_ENGINE", cut);
        startMediaEngineEarly();
        const std::unique_ptr<MediaDevice> device = createEngineMediaDevice();
        QSignalSpy failed(device.get(), &MediaDevice::openFailed);
        device->open(QByteArrayLiteral(ZAROVIA_TEST_DATA "/media/tone.wav"));
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 10000);
        QCOMPARE(failed.first().at(0).value<MediaErrorKind>(), MediaErrorKind::MissingPlugin);
        const QString text =
            MediaError(MediaErrorKind::MissingPlugin, failed.first().at(1).toString()).message();
        QVERIFY2(text.startsWith(mediaErrorText(MediaErrorKind::MissingPlugin)), qPrintable(text));
        QVERIFY2(text.contains(QString::fromLocal8Bit(cut) + QStringLiteral(": cut short")),
                 qPrintable(text));
        QVERIFY(!device->isOpen());
    }

    void onlyTheDoorIsExported() {
        const QStringList moduleExports =
            dynamicSymbols(QString::fromLocal8Bit(kModule), QStringLiteral("--defined-only"));
        QCOMPARE(moduleExports, QStringList{QStringLiteral(ZAROVIA_ENGINE_ENTRY_NAME)});
        const QStringList moduleNeeds =
            dynamicSymbols(QString::fromLocal8Bit(kModule), QStringLiteral("--undefined-only"));
        QVERIFY2(moduleNeeds.filter(QStringLiteral("zarovia")).isEmpty(),
                 qPrintable(moduleNeeds.join(u' ')));
        const QStringList programExports =
            dynamicSymbols(QStringLiteral(ZAROVIA_PROGRAM), QStringLiteral("--defined-only"));
        // Only what the tool chain exports (its runtime's symbols, more of them under the
        // sanitizers), none of ours.
        QVERIFY2(programExports.filter(QStringLiteral("zarovia")).isEmpty(),
                 qPrintable(programExports.join(u' ')));
    }

private:
    QTemporaryDir tmp_;
};

QTEST_MAIN(EngineDoorTest)
#include "test_engine_door.moc"

// Every font, plug-in and data file the viewer relies on at run time must come from a package
// that scripts/packages.txt installs: a machine that happens to have it through another
// package proves nothing. Each check names the package to add when it fails.
#include "media/gst/GstElements.h"
#include "picture/colour/ColourConversion.h"
#include "platform/CodePage.h"
#include "platform/FontFaces.h"

#include <gst/gst.h>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QtTest>
#include <map>

#ifndef ZAROVIA_SOURCE_DIR
#error ZAROVIA_SOURCE_DIR must name the repository
#endif

namespace {

QStringList listedPackages(const QString& listName) {
    QFile file(QStringLiteral(ZAROVIA_SOURCE_DIR "/scripts/") + listName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList names;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QByteArray name = line.trimmed().split(' ').value(0);
        if (!name.isEmpty() && !name.startsWith('#')) names.append(QString::fromUtf8(name));
    }
    return names;
}

QString run(const QString& program, const QStringList& arguments, bool anyExit = false) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || (!anyExit && process.exitCode() != 0)) return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Owners of files, asked of dpkg once for many files (each dpkg call reads its whole database).
std::map<QString, QString>& knownOwners() {
    static std::map<QString, QString> owners;
    return owners;
}

void learnOwners(QStringList paths) {
    for (const QString& path : QStringList(paths)) {
        const QString target = QFileInfo(path).canonicalFilePath();
        if (!target.isEmpty() && target != path) paths.append(target);
    }
    paths.removeDuplicates();
    paths.removeIf([](const QString& path) { return knownOwners().count(path) > 0; });
    if (paths.isEmpty()) return;
    const QString answer = run(QStringLiteral("dpkg"), QStringList{QStringLiteral("-S")} + paths,
                               /*anyExit=*/true);
    for (const QString& line : answer.split(QLatin1Char('\n'))) {
        // "package[:arch][, package...]: /path"
        const qsizetype colonSpace = line.indexOf(QStringLiteral(": /"));
        if (colonSpace < 0 || line.startsWith(QLatin1String("diversion"))) continue;
        const QString path = line.mid(colonSpace + 2);
        const QString package =
            line.left(colonSpace).section(QLatin1Char(','), 0, 0).section(QLatin1Char(':'), 0, 0);
        knownOwners()[path] = package.trimmed();
    }
    for (const QString& path : paths) knownOwners().emplace(path, QString());
}

// The package that installed `path` (the path as given, else its target), or nothing.
QString owningPackage(const QString& path) {
    learnOwners({path});
    for (const QString& candidate : {path, QFileInfo(path).canonicalFilePath()}) {
        const auto known = knownOwners().find(candidate);
        if (known != knownOwners().end() && !known->second.isEmpty()) return known->second;
    }
    return {};
}

QString fontFileOf(const QString& family) {
    return run(QStringLiteral("fc-match"),
               {QStringLiteral("-f"), QStringLiteral("%{file}"), family});
}

QString pluginFileOf(const QString& element) {
    GstElementFactory* factory = gst_element_factory_find(element.toUtf8().constData());
    if (!factory) return {};
    GstPlugin* plugin = gst_plugin_feature_get_plugin(GST_PLUGIN_FEATURE(factory));
    const QString file = plugin ? QString::fromUtf8(gst_plugin_get_filename(plugin)) : QString();
    if (plugin) gst_object_unref(plugin);
    gst_object_unref(factory);
    return file;
}

// Which package provides each family the code maps to; a family missing here fails the test,
// so a new face in a table of ours must name its package.
const std::map<QString, QString>& fontPackages() {
    static const std::map<QString, QString> packages{
        {"IPAGothic", "fonts-ipafont-gothic"},
        {"IPAPGothic", "fonts-ipafont-gothic"},
        {"IPAMincho", "fonts-ipafont-mincho"},
        {"IPAPMincho", "fonts-ipafont-mincho"},
        {"AoyagiKouzanFontT", "fonts-aoyagi-kouzan-t"},
        {"Nimbus Sans", "fonts-urw-base35"},
        {"Nimbus Sans Narrow", "fonts-urw-base35"},
        {"Nimbus Roman", "fonts-urw-base35"},
        {"Nimbus Mono PS", "fonts-urw-base35"},
        {"URW Bookman", "fonts-urw-base35"},
        {"URW Gothic", "fonts-urw-base35"},
        {"P052", "fonts-urw-base35"},
        {"C059", "fonts-urw-base35"},
        {"DejaVu Sans", "fonts-dejavu-core"},
        {"DejaVu Serif", "fonts-dejavu-core"},
        {"DejaVu Sans Mono", "fonts-dejavu-core"},
    };
    return packages;
}

// Which package provides each element the media device relies on, for the message when one is
// missing; the owner of the plug-in file actually found is what the test checks.
QString packageForElement(const QString& element) {
    static const std::map<QString, QString> packages{
        {"filesrc", "libgstreamer1.0-0"},
        {"typefind", "libgstreamer1.0-0"},
        {"multiqueue", "libgstreamer1.0-0"},
        {"queue", "libgstreamer1.0-0"},
        {"input-selector", "libgstreamer1.0-0"},
        {"tee", "libgstreamer1.0-0"},
        {"identity", "libgstreamer1.0-0"},
        {"fakesink", "libgstreamer1.0-0"},
        {"deinterlace", "gstreamer1.0-plugins-good"},
        {"autoaudiosink", "gstreamer1.0-plugins-good"},
        {"mpegaudioparse", "gstreamer1.0-plugins-good"},
        {"avidemux", "gstreamer1.0-plugins-good"},
        {"jpegdec", "gstreamer1.0-plugins-good"},
        {"wavparse", "gstreamer1.0-plugins-good"},
        {"alsasink", "gstreamer1.0-alsa"},
        {"mpegpsdemux", "gstreamer1.0-plugins-bad"},
        {"mpegvideoparse", "gstreamer1.0-plugins-bad"},
        {"mpeg4videoparse", "gstreamer1.0-plugins-bad"},
        {"adpcmdec", "gstreamer1.0-plugins-bad"},
        {"midiparse", "gstreamer1.0-plugins-bad"},
        {"fluiddec", "gstreamer1.0-plugins-bad"},
        {"asfdemux", "gstreamer1.0-plugins-ugly"},
    };
    if (element.startsWith(QLatin1String("avdec_"))) return QStringLiteral("gstreamer1.0-libav");
    const auto known = packages.find(element);
    return known != packages.end() ? known->second : QStringLiteral("gstreamer1.0-plugins-base");
}

}  // namespace

class InstallListTest : public QObject {
    Q_OBJECT
    QStringList listed_;

    void requireListed(const QString& package, const QString& what) {
        QVERIFY2(listed_.contains(package),
                 qPrintable(QStringLiteral("%1 comes from package %2, which scripts/packages.txt "
                                           "does not list")
                                .arg(what, package)));
    }

private slots:
    void initTestCase() {
        listed_ = listedPackages(QStringLiteral("packages.txt"));
        QVERIFY2(!listed_.isEmpty(), "scripts/packages.txt cannot be read");
        QVERIFY2(!run(QStringLiteral("dpkg"), {QStringLiteral("--version")}).isEmpty(),
                 "dpkg is needed to find which package installed a file");
        gst_init(nullptr, nullptr);
        // Every file the checks below ask about, in one question to dpkg.
        QStringList files;
        for (const QString& family : zarovia::substitutedFamilies()) files << fontFileOf(family);
        for (const QString& element : zarovia::media::requiredGstElements())
            files << pluginFileOf(element);
        files.removeAll(QString());
        learnOwners(files);
    }

    void everyMappedFamilyHasAPackage() {
        for (const QString& family : zarovia::substitutedFamilies())
            QVERIFY2(fontPackages().count(family),
                     qPrintable(QStringLiteral("no package is known for font family %1: add it "
                                               "to fontPackages() and to scripts/packages.txt")
                                    .arg(family)));
    }

    void fontsComeFromListedPackages_data() {
        QTest::addColumn<QString>("family");
        for (const QString& family : zarovia::substitutedFamilies())
            QTest::newRow(qPrintable(family)) << family;
    }
    void fontsComeFromListedPackages() {
        QFETCH(QString, family);
        const auto known = fontPackages().find(family);
        QVERIFY(known != fontPackages().end());
        const QString& package = known->second;
        requireListed(package, QStringLiteral("font family %1").arg(family));
        // Qt must draw with the family itself, not a fallback.
        // (Qt adds the foundry, "Nimbus Sans [urw]", when two foundries share a family.)
        const QFontInfo info{QFont(family)};
        const QString drawnWith = info.family().section(QStringLiteral(" ["), 0, 0);
        QVERIFY2(drawnWith.compare(family, Qt::CaseInsensitive) == 0,
                 qPrintable(QStringLiteral("font family %1 is not installed (Qt falls back to %2): "
                                           "install package %3")
                                .arg(family, info.family(), package)));
        // The file fontconfig picks for it belongs to that package.
        const QString match = fontFileOf(family);
        QVERIFY2(!match.isEmpty(), "fc-match (package fontconfig) answers nothing");
        const QString owner = owningPackage(match);
        QVERIFY2(owner == package,
                 qPrintable(QStringLiteral("font family %1 resolves to %2 from package '%3', not "
                                           "from package %4")
                                .arg(family, match, owner, package)));
    }

    void qtPluginsComeFromListedPackages_data() {
        QTest::addColumn<QString>("plugin");
        QTest::addColumn<QString>("package");
        QTest::newRow("x11 windows") << "platforms/libqxcb.so"
                                     << "libqt6gui6";
        QTest::newRow("offscreen") << "platforms/libqoffscreen.so"
                                   << "libqt6gui6";
        QTest::newRow("svg glyphs") << "iconengines/libqsvgicon.so"
                                    << "libqt6svg6";
        QTest::newRow("printers") << "printsupport/libcupsprintersupport.so"
                                  << "libqt6printsupport6";
    }
    void qtPluginsComeFromListedPackages() {
        QFETCH(QString, plugin);
        QFETCH(QString, package);
        requireListed(package, QStringLiteral("the Qt plug-in %1").arg(plugin));
        const QString path = QLibraryInfo::path(QLibraryInfo::PluginsPath) + u'/' + plugin;
        QVERIFY2(
            QFileInfo::exists(path),
            qPrintable(QStringLiteral("%1 is missing: install package %2").arg(path, package)));
        QCOMPARE(owningPackage(path), package);
    }

    void mediaElementsComeFromListedPackages_data() {
        QTest::addColumn<QString>("element");
        for (const QString& element : zarovia::media::requiredGstElements())
            QTest::newRow(qPrintable(element)) << element;
    }
    void mediaElementsComeFromListedPackages() {
        QFETCH(QString, element);
        const QString expected = packageForElement(element);
        const QString file = pluginFileOf(element);
        QVERIFY2(!file.isEmpty(), qPrintable(QStringLiteral("the media element %1 is missing: "
                                                            "install package %2")
                                                 .arg(element, expected)));
        const QString owner = owningPackage(file);
        requireListed(owner.isEmpty() ? expected : owner,
                      QStringLiteral("the media element %1 (%2)").arg(element, file));
    }

    void soundFontComesFromItsPackage() {
        const QString font = zarovia::media::requiredSoundFont();
        const QString package = zarovia::media::soundFontPackage();
        requireListed(package, QStringLiteral("the MIDI sound font"));
        QVERIFY2(QFileInfo::exists(font),
                 qPrintable(font + QStringLiteral(" is missing: install package ") + package));
        QCOMPARE(owningPackage(font), package);
    }

    void japaneseDialogTranslation() {
        const QString path =
            QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm");
        requireListed(QStringLiteral("qt6-translations-l10n"), path);
        QVERIFY2(QFileInfo::exists(path),
                 qPrintable(path + QStringLiteral(" is missing: install qt6-translations-l10n")));
        QCOMPARE(owningPackage(path), QStringLiteral("qt6-translations-l10n"));
    }

    void defaultCmykProfile() {
        const QString path = QString::fromLatin1(zarovia::picture::colour::kDefaultCmykProfilePath);
        requireListed(QStringLiteral("libgs-common"), path);
        QVERIFY2(QFileInfo::exists(path),
                 qPrintable(path + QStringLiteral(" is missing: install libgs-common")));
        QCOMPARE(owningPackage(path), QStringLiteral("libgs-common"));
        QVERIFY(!zarovia::picture::colour::defaultCmykProfile().isNull());
        requireListed(QStringLiteral("liblcms2-2"), QStringLiteral("Little CMS"));
    }

    void codePagesThroughIcu() {
        // Shift-JIS, and the Windows code pages rich text names, come from ICU's data.
        requireListed(QStringLiteral("libicu72"), QStringLiteral("ICU's code page data"));
        QStringDecoder decoder("Shift_JIS");
        QVERIFY2(decoder.isValid(), "Qt has no Shift_JIS decoder: ICU (libicu72) is missing");
        QCOMPARE(zarovia::decodeCodePage(QByteArray("\x83\x65\x83\x58\x83\x67"), 932),
                 QStringLiteral("テスト"));
    }
};

QTEST_MAIN(InstallListTest)
#include "InstallListTest.moc"

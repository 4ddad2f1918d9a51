// Start-up: the application, the main window and the About box, then the message loop.
// ZAROVIA_STARTUP_PROFILE=$(date +%s%N) prints each phase's time and memory
// (window/StartupProfile.h).
#include "Version.h"
#include "media/engine/MediaEngineLoader.h"
#include "picture/PictureCache.h"
#include "picture/widgets/ImageView.h"
#include "platform/FileSource.h"
#include "platform/ProcessEnd.h"
#include "platform/WorkerPool.h"
#include "shell/OpenRules.h"
#include "window/PlatformFonts.h"
#include "window/QtServices.h"
#include "window/StartupProfile.h"
#include "window/Unit1.h"
#include "window/Unit3.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QScreen>
#include <QThread>
#include <QTranslator>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {

void printVersion() {
    std::printf("Zarovia %s\n", zarovia::version::kFileVersion);
    std::printf("FileDescription: 画像ファイルの閲覧が出来ます\n");
    std::printf("FileVersion: %s\n", zarovia::version::kFileVersion);
    std::printf("ProductVersion: %d.%d\n", zarovia::version::kMajor, zarovia::version::kMinor);
    std::printf("Comments: デジカメ画像ファイルの閲覧に便利！\n");
    std::printf("InternalName: zaro\n");
    std::printf("OriginalFilename: zaro12\n");
    std::printf("ProductName: Zarovia\n");
}

}  // namespace

int main(int argc, char** argv) {
    namespace startup = zarovia::window::startup;
    startup::mark("main");
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        printVersion();
        return 0;
    }
    // The files to open, as the bytes the shell passed: names in any encoding stay openable.
    std::vector<QByteArray> files;
    for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);
    // A picture named first is read and decoded on a worker while the window is being built;
    // its show takes it from there (or reports its failure then, in its place).
    // Qt takes the first thread that uses it for the main thread: claim it before the worker.
    QThread::currentThread();
    const auto workers = std::make_shared<zarovia::WorkerPool>();
    auto pictureCache =
        std::make_unique<zarovia::picture::PictureCache>(zarovia::systemFileSource(), workers);
    const auto firstClass =
        files.empty()
            ? zarovia::shell::FileClass::Document
            : zarovia::shell::classifyExtension(zarovia::shell::upperExtension(files.front()));
    if (firstClass == zarovia::shell::FileClass::Picture)
        pictureCache->prefetch(files.front(), QSize(640, 480),
                               zarovia::picture::PictureCache::Use::Certain);
    startup::mark("read-ahead started");
    // A document or a sound shows text in the window's first frame: the font configuration loads
    // beside the application's start. A picture's window paints the picture first and lays out
    // the tool bar's text right after it; there the configuration would only compete with the
    // application and the decode for the two processors, and it loads with the tool bar.
    std::optional<zarovia::window::FontConfigurationLoader> fontConfiguration;
    if (firstClass != zarovia::shell::FileClass::Picture) fontConfiguration.emplace();
    QApplication app(argc, argv);
    startup::mark("application");
    startup::watchFirstPaint(&app);
    QApplication::setApplicationName(QStringLiteral("Zarovia"));
    QApplication::setApplicationVersion(QString::fromLatin1(zarovia::version::kFileVersion));
    QApplication::setDesktopFileName(QStringLiteral("zarovia"));
    zarovia::window::substitutePlatformFonts();
    startup::mark("fonts substituted");
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    if (fontConfiguration) fontConfiguration->wait();
    startup::mark("translator, font configuration");
    // A sound or video named first needs the media engine: its module and plug-in registry load
    // on a worker while the window is built (a failure is the open's to report); not before,
    // where loading its libraries held the dynamic loader while the application loaded its
    // own plug-ins. Its decoders are not loaded ahead: loading libav holds the dynamic loader
    // for about 80 ms, and the window's first text, built meanwhile, waited for it.
    if (firstClass == zarovia::shell::FileClass::Media)
        pictureCache->workers()->run([] { zarovia::startMediaEngineEarly(); },
                                     zarovia::WorkerPool::Priority::Shown);
    zarovia::TzaroForm1 zaroForm1(zarovia::qtServices(), std::move(pictureCache));
    startup::mark("main window");
    zarovia::TAboutBox aboutBox(&zaroForm1);
    startup::mark("about box");
    if (startup::profiling())
        QObject::connect(zaroForm1.Image2, &zarovia::picture::ImageView::painted,
                         [] { startup::mark("picture painted"); });
    zaroForm1.setAboutBox(&aboutBox);
    zaroForm1.setCommandLineFiles(std::move(files));
    // Centred on the desktop when first shown.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        zaroForm1.move(screen->availableGeometry().center() - zaroForm1.rect().center());
    zaroForm1.show();
    startup::mark("shown");
    // Quitting ends the process within a second whatever the workers hold: every job stops at
    // its next checkpoint, and what cannot stop in time (a read from a dead share, one long
    // library call) is not waited for.
    return zarovia::runEventLoopAndQuit(*workers);
}

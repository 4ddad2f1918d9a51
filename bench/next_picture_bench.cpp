// Times the step to the next picture inside the real window (offscreen): from the Next command
// to the picture painted, with read-ahead given the display time to work, and without it (a
// cache that has never seen the folder), next to the plain decode of the same files.
//   next_picture_bench FOLDER [STEPS]
#include "picture/PictureCache.h"
#include "picture/PictureList.h"
#include "picture/PictureLoader.h"
#include "picture/jpeg/Jpeg.h"
#include "platform/FileSource.h"
#include "platform/WorkerPool.h"
#include "support/FakeServices.h"
#include "window/PlatformFonts.h"
#include "window/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zarovia;

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// One step: the command, then a synchronous paint of the window, as the screen would get it.
double timeStep(TzaroForm1& form) {
    QElapsedTimer timer;
    timer.start();
    form.command(shell::Command::Next)->trigger();
    // The picture arrives from a worker; the step ends when it is painted.
    while (form.isLoading()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    form.repaint();
    return timer.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: next_picture_bench FOLDER [STEPS]\n");
        return 2;
    }
    const int steps = argc > 2 ? std::atoi(argv[2]) : 10;
    window::substitutePlatformFonts();
    const QByteArray folder =
        QFile::encodeName(QDir(QString::fromLocal8Bit(argv[1])).absolutePath()) + '/';
    const auto pictures = picture::listFolderPictures(*systemFileSource(), folder + "x.jpg");
    if (pictures.names.size() < 3) {
        std::fprintf(stderr, "need a folder of pictures\n");
        return 2;
    }

    testing::Recorded rec;
    std::vector<double> ahead, cold, plain;
    {
        TzaroForm1 form(testing::fakeServices(&rec));
        form.show();
        if (!QTest::qWaitForWindowExposed(&form)) return 1;
        form.guard([&] { form.FormDropFiles({pictures.path(0)}); });
        while (form.isLoading()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        for (int i = 0; i < steps; ++i) {
            QTest::qWait(1500);  // the display time, during which the next picture is read ahead
            ahead.push_back(timeStep(form));
        }
        std::printf("read-ahead hits: %d of %d\n", form.pictureCache().hits(), steps);
    }
    {
        TzaroForm1 form(testing::fakeServices(&rec));
        form.show();
        if (!QTest::qWaitForWindowExposed(&form)) return 1;
        form.guard([&] { form.FormDropFiles({pictures.path(0)}); });
        while (form.isLoading()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        for (int i = 0; i < steps; ++i) {
            form.setPictureCache(std::make_unique<picture::PictureCache>(
                systemFileSource(), std::make_shared<WorkerPool>()));
            cold.push_back(timeStep(form));
        }
    }
    for (int i = 0; i < steps && i + 1 < int(pictures.names.size()); ++i) {
        QElapsedTimer timer;
        timer.start();
        const picture::Picture p = picture::loadPictureFile(pictures.path(size_t(i + 1)));
        picture::decodeForDisplay(p, QSize(640, 427));
        plain.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("next picture, read ahead:    median %.1f ms, min %.1f ms (%d steps)\n",
                median(ahead), *std::min_element(ahead.begin(), ahead.end()), steps);
    std::printf("next picture, no read-ahead: median %.1f ms, min %.1f ms\n", median(cold),
                *std::min_element(cold.begin(), cold.end()));
    std::printf("plain load + display decode: median %.1f ms, min %.1f ms\n", median(plain),
                *std::min_element(plain.begin(), plain.end()));
    std::printf("errors: %lld\n", static_cast<long long>(rec.errors.size()));
    return 0;
}

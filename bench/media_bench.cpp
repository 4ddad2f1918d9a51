// Measures the media device on the test clips: the time from open() to the first video frame
// handed to the panel, the time a bad file takes to be reported, the cost of one position
// query, how many position queries the follower sends per tick of a real playback, and the
// longest pause of the window's event loop while a file opens and while the position bar's
// thumb is dragged across a playing video.
#include "media/MediaErrors.h"
#include "media/MediaPositionFollower.h"
#include "media/gst/GstMediaDevice.h"
#include "media/widgets/TrackBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QStyleOptionSlider>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zarovia::media;

namespace {

QByteArray clip(const char* name) {
    return QFile::encodeName(QStringLiteral(ZAROVIA_TEST_DATA "/media/") + QLatin1String(name));
}

class FrameClock : public VideoOutput {
public:
    QElapsedTimer* clock = nullptr;
    qint64 firstFrameNs = -1;
    void presentFrame(const QImage&) override {
        if (firstFrameNs < 0) firstFrameNs = clock->nsecsElapsed();
    }
    void setDisplayRect(const QRect&) override {}
    void clearVideo() override {}
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double maxOf(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

// The longest time between two turns of the event loop, seen by a 2 ms timer.
class LoopGaps {
public:
    LoopGaps() {
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longestNs_ = std::max(longestNs_, clock_.nsecsElapsed());
            clock_.restart();
        });
    }
    void start() {
        longestNs_ = 0;
        clock_.start();
        timer_.start();
    }
    double stopMs() {
        timer_.stop();
        longestNs_ = std::max(longestNs_, clock_.nsecsElapsed());
        return longestNs_ / 1e6;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longestNs_ = 0;
};

void spinUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void openToFirstFrame(const char* name, int runs) {
    std::vector<double> ms;
    std::vector<double> gaps;
    LoopGaps watch;
    for (int i = 0; i < runs; ++i) {
        GstMediaDevice device;
        FrameClock output;
        QElapsedTimer clock;
        output.clock = &clock;
        device.setVideoOutput(&output);
        watch.start();
        clock.start();
        device.open(clip(name));
        spinUntil([&] { return output.firstFrameNs >= 0; }, 5000);
        gaps.push_back(watch.stopMs());
        ms.push_back(output.firstFrameNs / 1e6);
    }
    std::printf(
        "open to first frame  %-20s median %6.1f ms  max %6.1f ms; loop gap max %5.1f ms "
        "(%d runs)\n",
        name, median(ms), maxOf(ms), maxOf(gaps), runs);
}

void failTime(const char* name, int runs) {
    std::vector<double> ms;
    std::vector<double> gaps;
    LoopGaps watch;
    for (int i = 0; i < runs; ++i) {
        GstMediaDevice device;
        bool failed = false;
        QObject::connect(&device, &MediaDevice::openFailed, [&failed] { failed = true; });
        QElapsedTimer clock;
        watch.start();
        clock.start();
        device.open(clip(name));
        spinUntil([&] { return failed; }, 8000);
        ms.push_back(clock.nsecsElapsed() / 1e6);
        gaps.push_back(watch.stopMs());
    }
    std::printf(
        "bad file reported    %-20s median %6.1f ms  max %6.1f ms; loop gap max %5.1f ms "
        "(%d runs)\n",
        name, median(ms), maxOf(ms), maxOf(gaps), runs);
}

bool openAndWait(GstMediaDevice& device, const QByteArray& path) {
    bool opened = false;
    const auto connection =
        QObject::connect(&device, &MediaDevice::opened, [&opened] { opened = true; });
    device.open(path);
    spinUntil([&] { return opened; }, 8000);
    QObject::disconnect(connection);
    return opened;
}

void positionQueryCost() {
    GstMediaDevice device;
    if (!openAndWait(device, clip("clip.mpg"))) return;
    device.play({});
    spinUntil([&] { return !device.isBusy(); }, 2000);
    QThread::msleep(200);
    constexpr int kQueries = 20000;
    QElapsedTimer clock;
    clock.start();
    long long sum = 0;
    for (int i = 0; i < kQueries; ++i) sum += device.position();
    std::printf("position query       %-20s %6.2f us each (checksum %lld)\n", "clip.mpg",
                clock.nsecsElapsed() / 1e3 / kQueries, sum % 10);
}

class CountingBar : public TrackBarAccess {
public:
    int max = 0;
    int value = 0;
    MediaPositionFollower* follower = nullptr;
    int position() const override { return value; }
    int maximum() const override { return max; }
    bool isBeingDragged() const override { return false; }
    void setPosition(int position) override {
        const int clamped = std::clamp(position, 0, max);
        if (clamped == value) return;
        value = clamped;
        follower->trackBarChanged();
    }
};

void queriesPerTick(const char* name) {
    GstMediaDevice device;
    if (!openAndWait(device, clip(name))) return;
    CountingBar bar;
    bar.max = device.length();
    bool rewound = false;
    MediaPositionFollower follower(device, bar, [&rewound] { rewound = true; });
    bar.follower = &follower;
    device.play({});

    int ticks = 0;
    int stillTicks = 0;
    long long stillQueries = 0;
    auto countedTick = [&] {
        const long long before = device.positionQueries();
        const int barBefore = bar.value;
        follower.tick();
        ++ticks;
        if (bar.value == barBefore) {
            ++stillTicks;
            stillQueries += device.positionQueries() - before;
        }
    };
    QTimer timer;
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, countedTick);
    timer.start();
    const long long start = device.positionQueries();
    spinUntil([&] { return rewound; }, 6000);
    timer.stop();
    // Stopped at the start, the bar comes back once and then stays.
    for (int i = 0; i < 5; ++i) countedTick();
    std::printf(
        "queries per tick     %-20s %.2f over %d ticks; %.2f per tick while the bar stays\n", name,
        double(device.positionQueries() - start) / ticks, ticks,
        stillTicks ? double(stillQueries) / stillTicks : 0.0);
}

// The position bar of the window (336 x 20) following a playing video through the follower,
// while a user drags its thumb from one end to the other: a mouse move every 8 ms.
void dragAcrossVideo(const char* name, int runs) {
    std::vector<double> gaps;
    std::vector<double> seeks;
    for (int run = 0; run < runs; ++run) {
        GstMediaDevice device;
        if (!openAndWait(device, clip(name))) return;
        TrackBar bar;
        bar.setGeometry(0, 0, 336, 20);
        bar.setMax(device.length());
        MediaPositionFollower follower(device, bar, [] {});
        int changes = 0;
        QObject::connect(&bar, &TrackBar::changed, [&] {
            ++changes;
            follower.trackBarChanged();
        });
        QObject::connect(&bar, &QSlider::sliderReleased, [&] { follower.dragFinished(); });
        bar.show();
        QTimer ticker;  // the 50 ms position timer
        QObject::connect(&ticker, &QTimer::timeout, [&] { follower.tick(); });
        ticker.start(50);
        device.play({});
        spinUntil([&] { return !device.isBusy(); }, 2000);

        QStyleOptionSlider option;
        option.initFrom(&bar);
        const QRect thumb =
            bar.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &bar);
        auto send = [&bar](QEvent::Type type, int x, Qt::MouseButton button,
                           Qt::MouseButtons buttons) {
            const QPoint at(x, 10);
            QMouseEvent event(type, at, bar.mapToGlobal(at), button, buttons, Qt::NoModifier);
            QApplication::sendEvent(&bar, &event);
        };
        LoopGaps watch;
        watch.start();
        int x = thumb.center().x();
        send(QEvent::MouseButtonPress, x, Qt::LeftButton, Qt::LeftButton);
        QTimer mover;
        bool released = false;
        QObject::connect(&mover, &QTimer::timeout, [&] {
            x += 4;
            if (x >= bar.width() - thumb.width() / 2) {
                send(QEvent::MouseButtonRelease, x, Qt::LeftButton, Qt::NoButton);
                mover.stop();
                released = true;
                return;
            }
            send(QEvent::MouseMove, x, Qt::NoButton, Qt::LeftButton);
        });
        mover.start(8);
        spinUntil([&] { return released; }, 10000);
        spinUntil([&] { return !device.isBusy(); }, 3000);
        gaps.push_back(watch.stopMs());
        seeks.push_back(changes);
    }
    std::printf(
        "drag across video    %-20s loop gap median %5.1f ms  max %5.1f ms; %.0f bar "
        "changes per drag (%d runs)\n",
        name, median(gaps), maxOf(gaps), median(seeks), runs);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("ZAROVIA_AUDIO_SINK"))
        qputenv("ZAROVIA_AUDIO_SINK", "fakesink");
    // The first open loads the plug-in registry; measure what comes after.
    {
        GstMediaDevice warmUp;
        if (!openAndWait(warmUp, clip("clip.mpg"))) {
            std::fprintf(stderr, "warm-up failed: clip.mpg does not open\n");
            return 1;
        }
    }
    for (const char* name : {"clip.mpg", "clip.mpeg", "clip_mjpeg.avi", "clip_mpeg4.avi",
                             "clip_msmpeg4v2.avi", "clip_raw.avi"})
        openToFirstFrame(name, 15);
    for (const char* name : {"bad_empty.wav", "bad_random.avi", "bad_text.mid", "bad_truncated.mid",
                             "bad_truncated.mpg", "bad_truncated.wav", "bad_no_decoder.avi"})
        failTime(name, 10);
    positionQueryCost();
    queriesPerTick("tune.mid");
    queriesPerTick("clip.mpg");
    dragAcrossVideo("clip_mpeg4.avi", 5);
    dragAcrossVideo("clip.mpg", 5);
    return 0;
}

// Measures the media device on the test clips: the time from open() to the first video
// frame handed to the panel, the time a bad file takes to fail, the cost of one position
// query, and how many position queries the follower sends per tick of a real playback.
#include "media/MediaErrors.h"
#include "media/MediaPositionFollower.h"
#include "media/gst/GstMediaDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
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

void openToFirstFrame(const char* name, int runs) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        GstMediaDevice device;
        FrameClock output;
        QElapsedTimer clock;
        output.clock = &clock;
        device.setVideoOutput(&output);
        clock.start();
        device.open(clip(name));
        while (output.firstFrameNs < 0 && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ms.push_back(output.firstFrameNs / 1e6);
    }
    std::printf("open to first frame  %-20s median %6.1f ms  max %6.1f ms  (%d runs)\n", name,
                median(ms), *std::max_element(ms.begin(), ms.end()), runs);
}

void failTime(const char* name, int runs) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        GstMediaDevice device;
        QElapsedTimer clock;
        clock.start();
        try {
            device.open(clip(name));
        } catch (const MediaError&) {
        }
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("bad file fails       %-20s median %6.1f ms  max %6.1f ms  (%d runs)\n", name,
                median(ms), *std::max_element(ms.begin(), ms.end()), runs);
}

void positionQueryCost() {
    GstMediaDevice device;
    device.open(clip("clip.mpg"));
    device.play({});
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
    void setPosition(int position) override {
        const int clamped = std::clamp(position, 0, max);
        if (clamped == value) return;
        value = clamped;
        follower->trackBarChanged();
    }
};

void queriesPerTick(const char* name) {
    GstMediaDevice device;
    device.open(clip(name));
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
    QElapsedTimer clock;
    clock.start();
    while (!rewound && clock.elapsed() < 6000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    timer.stop();
    // Stopped at the start, the bar comes back once and then stays.
    for (int i = 0; i < 5; ++i) countedTick();
    std::printf(
        "queries per tick     %-20s %.2f over %d ticks; %.2f per tick while the bar stays\n", name,
        double(device.positionQueries() - start) / ticks, ticks,
        stillTicks ? double(stillQueries) / stillTicks : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("ZAROVIA_AUDIO_SINK"))
        qputenv("ZAROVIA_AUDIO_SINK", "fakesink");
    // The first open loads the plug-in registry; measure what comes after.
    try {
        GstMediaDevice warmUp;
        warmUp.open(clip("clip.mpg"));
    } catch (const MediaError& error) {
        std::fprintf(stderr, "warm-up failed: %s\n", error.what());
        return 1;
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
    return 0;
}

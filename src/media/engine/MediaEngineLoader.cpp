#include "media/engine/MediaEngineLoader.h"

#include "media/DeferredMediaDevice.h"
#include "media/MediaErrors.h"
#include "media/engine/EngineModuleLoad.h"
#include "media/engine/ModuleMediaDevice.h"

#include <unistd.h>
#include <QByteArray>
#include <QMetaObject>
#include <QString>
#include <QStringList>

#ifndef ZAROVIA_ENGINE_INSTALL_DIR
#define ZAROVIA_ENGINE_INSTALL_DIR "../lib/zarovia"
#endif

namespace zarovia {

namespace {

constexpr const char* kModuleName = "libzarovia_media_engine.so";

struct Module {
    std::optional<ZvEngine> engine;
    QString failure;  // why it could not be loaded
};

QByteArray programFolder() {
    QByteArray path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), static_cast<size_t>(path.size()));
    if (n <= 0) return {};
    path.truncate(static_cast<qsizetype>(n));
    return path.left(path.lastIndexOf('/') + 1);
}

QList<QByteArray> candidatePaths() {
    if (const QByteArray named = qgetenv("ZAROVIA_MEDIA_ENGINE"); !named.isEmpty()) return {named};
    const QByteArray folder = programFolder();
    return {folder + kModuleName, folder + ZAROVIA_ENGINE_INSTALL_DIR "/" + kModuleName};
}

// The first candidate that passes every check; a module that is there but refused (damaged,
// of another build) is named in the failure as well as one that is missing.
const Module& module() {
    static const Module loaded = [] {
        const media::EngineExpectation expected = media::thisBuildsEngine();
        QStringList tried;
        for (const QByteArray& path : candidatePaths()) {
            media::EngineLoad load = media::loadEngineModule(path, expected);
            if (load.engine) return Module{load.engine, {}};
            tried << load.failure;
        }
        return Module{std::nullopt,
                      QStringLiteral("%1 (%2)").arg(QLatin1String(kModuleName), tried.join(u"; "))};
    }();
    return loaded;
}

// Stands in for the engine when its module cannot be loaded: every open fails, naming it.
class UnavailableMediaDevice final : public media::MediaDevice {
public:
    explicit UnavailableMediaDevice(QString why) : why_(std::move(why)) {}
    void open(const QByteArray&) override {
        QMetaObject::invokeMethod(
            this, [this] { emit openFailed(media::MediaErrorKind::MissingPlugin, why_); },
            Qt::QueuedConnection);
    }
    void play(PlayNotification) override { refuse(); }
    void stop() override { refuse(); }
    void seekToStart() override { refuse(); }
    void seek(int) override { refuse(); }
    void seekNearby(int) override { refuse(); }
    int position() const override { return 0; }
    int length() const override { return 0; }
    media::MediaMode mode() const override { return media::MediaMode::NotOpen; }
    QSize naturalVideoSize() const override { return {}; }
    void setDisplayRect(const QRect&) override {}
    void close() override {}
    bool isOpen() const override { return false; }
    bool hasVideo() const override { return false; }
    bool canPlay() const override { return false; }
    void setVideoOutput(media::VideoOutput*) override {}

private:
    [[noreturn]] static void refuse() { throw media::MediaError(media::MediaErrorKind::NoDevice); }
    QString why_;
};

}  // namespace

std::unique_ptr<media::MediaDevice> createEngineMediaDevice() {
    // Loading the module and its libraries from disk, and the engine's plug-in registry, take
    // tens to hundreds of milliseconds the first time: they happen on a thread of their own.
    return std::make_unique<media::DeferredMediaDevice>(&startMediaEngineEarly, [] {
        const Module& m = module();
        if (m.engine) {
            if (std::unique_ptr<media::MediaDevice> device =
                    media::createModuleMediaDevice(*m.engine))
                return device;
        }
        const QString why =
            m.engine ? QStringLiteral("%1 (no device)").arg(QLatin1String(kModuleName)) : m.failure;
        return std::unique_ptr<media::MediaDevice>(std::make_unique<UnavailableMediaDevice>(why));
    });
}

void startMediaEngineEarly() {
    if (const Module& m = module(); m.engine) m.engine->start();
}

}  // namespace zarovia

#include "media/engine/MediaEngineLoader.h"

#include "media/DeferredMediaDevice.h"
#include "media/MediaErrors.h"

#include <dlfcn.h>

#include <QByteArray>
#include <QMetaObject>
#include <QString>
#include <mutex>

#ifndef ZAROVIA_ENGINE_INSTALL_DIR
#define ZAROVIA_ENGINE_INSTALL_DIR "../lib/zarovia"
#endif

namespace zarovia {

namespace {

constexpr const char* kModuleName = "libzarovia_media_engine.so";

using CreateDevice = media::MediaDevice* (*)();
using StartEngine = void (*)();

struct Module {
    CreateDevice create = nullptr;
    StartEngine start = nullptr;
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

const Module& module() {
    static const Module loaded = [] {
        Module m;
        QStringList tried;
        for (const QByteArray& path : candidatePaths()) {
            void* handle = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                tried << QString::fromLocal8Bit(::dlerror());
                continue;
            }
            m.create =
                reinterpret_cast<CreateDevice>(::dlsym(handle, "zarovia_media_engine_create"));
            m.start = reinterpret_cast<StartEngine>(::dlsym(handle, "zarovia_media_engine_start"));
            if (m.create && m.start) return m;
            tried << QStringLiteral("%1: entry points missing").arg(QString::fromLocal8Bit(path));
            m = Module();
        }
        m.failure = QStringLiteral("%1 (%2)").arg(QLatin1String(kModuleName), tried.join(u"; "));
        return m;
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
        if (!m.create)
            return std::unique_ptr<media::MediaDevice>(
                std::make_unique<UnavailableMediaDevice>(m.failure));
        return std::unique_ptr<media::MediaDevice>(m.create());
    });
}

void startMediaEngineEarly() {
    if (const Module& m = module(); m.start) m.start();
}

}  // namespace zarovia

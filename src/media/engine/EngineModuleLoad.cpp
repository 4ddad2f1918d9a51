#include "media/engine/EngineModuleLoad.h"

#include "media/BuildIdentity.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace zarovia::media {

namespace {

// Closes a file descriptor when it goes.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

QString whyRefused(int answer) {
    switch (answer) {
        case ZV_ENGINE_WRONG_VERSION:
            return QStringLiteral("of another interface version");
        case ZV_ENGINE_WRONG_BUILD:
            return QStringLiteral("from another build");
        default:
            return QStringLiteral("refused to start (%1)").arg(answer);
    }
}

}  // namespace

EngineExpectation thisBuildsEngine() {
    return {builtEngineStamp(), ZAROVIA_ENGINE_INTERFACE_VERSION, buildIdentity()};
}

EngineLoad loadEngineModule(const QByteArray& path, const EngineExpectation& expected) {
    const QString name = QString::fromLocal8Bit(path);
    const auto refuse = [&name](const QString& why) {
        return EngineLoad{std::nullopt, QStringLiteral("%1: %2").arg(name, why)};
    };

    const FileHandle file(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    const ModuleStampResult stamp = stampModule(file.get());
    if (!stamp.stamp) return refuse(stamp.failure);
    if (stamp.stamp->extent != expected.stamp.extent)
        return refuse(QStringLiteral("not the module of this build (size differs)"));
    if (stamp.stamp->sha256 != expected.stamp.sha256)
        return refuse(QStringLiteral("damaged, or not the module of this build"));

    // The loader opens the path again: it must still be the file that was checked.
    struct stat checked {
    }, named{};
    if (::fstat(file.get(), &checked) != 0 || ::stat(path.constData(), &named) != 0 ||
        checked.st_dev != named.st_dev || checked.st_ino != named.st_ino)
        return refuse(QStringLiteral("replaced while it was checked"));
    void* handle = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return refuse(QString::fromLocal8Bit(::dlerror()));
    const auto entry = reinterpret_cast<ZvEngineEntry>(::dlsym(handle, ZAROVIA_ENGINE_ENTRY_NAME));
    if (!entry) {
        ::dlclose(handle);
        return refuse(QStringLiteral("no entry point"));
    }
    const ZvEngineHost host{expected.interfaceVersion, sizeof(ZvEngineHost),
                            expected.buildIdentity.constData()};
    ZvEngine engine{};
    const int answer = entry(&host, &engine);
    // The module checks the program; the program checks the module's answer in turn.
    QString why;
    if (answer != ZV_ENGINE_OK)
        why = whyRefused(answer);
    else if (engine.interface_version != expected.interfaceVersion ||
             engine.size != sizeof(ZvEngine))
        why = whyRefused(ZV_ENGINE_WRONG_VERSION);
    else if (!engine.build_identity || expected.buildIdentity != engine.build_identity)
        why = whyRefused(ZV_ENGINE_WRONG_BUILD);
    if (!why.isEmpty()) {
        ::dlclose(handle);
        return refuse(why);
    }
    return {engine, {}};
}

}  // namespace zarovia::media

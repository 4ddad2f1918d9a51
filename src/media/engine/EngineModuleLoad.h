#pragma once

#include "media/EngineInterface.h"
#include "media/engine/ModuleImage.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace zarovia::media {

// What the program expects of an engine module: the file it was built with, and the
// interface and build it speaks.
struct EngineExpectation {
    ModuleStamp stamp;
    quint32 interfaceVersion = ZAROVIA_ENGINE_INTERFACE_VERSION;
    QByteArray buildIdentity;
};

// This program's expectation: the module linked by this build.
EngineExpectation thisBuildsEngine();

struct EngineLoad {
    std::optional<ZvEngine> engine;
    QString failure;  // why the module was refused, naming its file
};

// Checks the module file at `path` against `expected` before anything of it runs (a file cut
// short or changed is refused, never mapped), then loads it and asks it for its table, which
// it gives only to a program of its interface version and build. A module that answers stays
// loaded for the rest of the process; a refused one is unloaded.
EngineLoad loadEngineModule(const QByteArray& path, const EngineExpectation& expected);

}  // namespace zarovia::media

#pragma once

#include "media/MediaErrors.h"

#include <QByteArray>
#include <QStringList>

typedef struct _GError GError;

namespace zarovia::media {

// Initialises GStreamer once for the process. Throws MediaError when it cannot start.
void ensureGstInitialised();

// Loads the engine's plug-ins that opening a file of this upper-cased extension (".MPG") will
// need, so that an open started a little later does not wait for them. Called on a worker at
// start-up when the command line names a sound or video first; a plug-in that is missing or
// fails to load is left for the open to report.
void preloadEnginePlugins(const QByteArray& upperExtension);

// The names among `factoryNames` for which the engine has no element factory installed.
QStringList missingGstElements(const QStringList& factoryNames);

// The failure kind of an error message from the engine.
MediaErrorKind errorKindOf(const GError* error);

}  // namespace zarovia::media

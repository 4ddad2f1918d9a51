#pragma once

#include "media/MediaErrors.h"

#include <QStringList>

typedef struct _GError GError;

namespace zarovia::media {

// Initialises GStreamer once for the process. Throws MediaError when it cannot start.
void ensureGstInitialised();

// The names among `factoryNames` for which the engine has no element factory installed.
QStringList missingGstElements(const QStringList& factoryNames);

// The failure kind of an error message from the engine.
MediaErrorKind errorKindOf(const GError* error);

}  // namespace zarovia::media

#pragma once

#include "media/MediaErrors.h"

typedef struct _GError GError;

namespace zarovia::media {

// Initialises GStreamer once for the process. Throws MediaError when it cannot start.
void ensureGstInitialised();

// The failure kind of an error message from the engine.
MediaErrorKind errorKindOf(const GError* error);

}  // namespace zarovia::media

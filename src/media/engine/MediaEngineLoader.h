#pragma once

#include "media/MediaDevice.h"

#include <memory>

namespace zarovia {

// The media engine (GStreamer) lives in a module of its own, loaded the first time it is needed,
// so that showing a picture or a document never loads its libraries. The module is found
// beside the program (the build tree), in the program's library folder (installed), or where
// ZAROVIA_MEDIA_ENGINE names it, and is taken only when it is the file this build linked and
// answers as of this build (media/engine/EngineModuleLoad.h). Thread-safe.

// A media device over the engine, there at once: the module loads on a thread of its own, and
// an open asked for meanwhile goes to the engine's device when it is there
// (media::DeferredMediaDevice). Never null: when the module is missing, damaged or of another
// build, every open fails with the missing-plug-in text naming the module and why.
std::unique_ptr<media::MediaDevice> createEngineMediaDevice();

// Loads the module and initialises the engine, for a worker ahead of a first open. Quiet on
// failure: the open reports it.
void startMediaEngineEarly();

}  // namespace zarovia

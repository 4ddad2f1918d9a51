#pragma once

#include "media/EngineInterface.h"
#include "media/MediaDevice.h"

#include <memory>

namespace zarovia::media {

// A media device of the engine module, through the module's table of functions: each request
// goes to the module and each result comes back as the device's signals. Null when the module
// cannot make a device.
std::unique_ptr<MediaDevice> createModuleMediaDevice(const ZvEngine& engine);

}  // namespace zarovia::media

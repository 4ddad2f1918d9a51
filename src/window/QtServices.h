#pragma once

#include "platform/Services.h"

namespace zarovia {

// The services of a real run: Qt's dialogs and message box, the application cursor, the
// primary screen, the window manager over X11, and the media engine's module.
Services qtServices();

}  // namespace zarovia

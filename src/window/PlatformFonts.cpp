#include "window/PlatformFonts.h"

#include "platform/FontFaces.h"

#include <fontconfig/fontconfig.h>
#include <QFont>

namespace zarovia::window {

void substitutePlatformFonts() {
    int count = 0;
    const WindowFace* faces = windowFaces(&count);
    for (int i = 0; i < count; ++i)
        QFont::insertSubstitution(QString::fromUtf8(faces[i].face),
                                  QString::fromUtf8(faces[i].family));
}

// The library loads its configuration once per process and safely from any thread; Qt's font
// database later finds it loaded. A failure here only means Qt loads it itself, as it would.
FontConfigurationLoader::FontConfigurationLoader() : thread_([] { FcInit(); }) {}

FontConfigurationLoader::~FontConfigurationLoader() {
    wait();
}

void FontConfigurationLoader::wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace zarovia::window

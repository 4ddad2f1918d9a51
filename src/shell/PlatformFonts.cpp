#include "PlatformFonts.h"

#include "platform/FontFaces.h"

#include <QFont>

namespace zarovia::shell {

void substitutePlatformFonts() {
    int count = 0;
    const WindowFace* faces = windowFaces(&count);
    for (int i = 0; i < count; ++i)
        QFont::insertSubstitution(QString::fromUtf8(faces[i].face),
                                  QString::fromUtf8(faces[i].family));
}

}  // namespace zarovia::shell

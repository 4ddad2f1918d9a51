#pragma once

#include "picture/Picture.h"

namespace zarovia::window {

// The title picture and the media backdrop kept with the program, decoded by our own JPEG
// decoder like any other picture.
picture::Picture titlePicture();
picture::Picture backdropPicture();

// Registers the resources compiled into the application library (glyphs, pictures, icon).
void initResources();

}  // namespace zarovia::window

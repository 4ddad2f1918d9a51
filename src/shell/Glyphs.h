#pragma once

#include "shell/Commands.h"

#include <QIcon>
#include <QPixmap>
#include <array>

namespace zarovia::shell {

// The ten 16 x 16 tool-bar glyphs, with a 32 x 32 drawing each for screens of twice the density.
// They are drawn from their SVG sources when the program is built, so showing them costs no
// drawing at start-up.
std::array<QIcon, kGlyphCount> loadGlyphs();

// The program icon: the window icon (32 x 32) and the About box's emblem (64 x 64).
QIcon programIcon();
QPixmap programEmblem();

}  // namespace zarovia::shell

#pragma once

#include "shell/Commands.h"

#include <QIcon>
#include <array>

namespace zarovia::shell {

// The ten 16 x 16 tool-bar glyphs, drawn from their SVG sources.
std::array<QIcon, kGlyphCount> loadGlyphs();

}  // namespace zarovia::shell

#pragma once

#include "shell/Commands.h"

#include <QIcon>
#include <QPixmap>
#include <array>

namespace zarovia::window {

// The size the tool-bar glyphs are drawn at, in pixels.
inline constexpr int kGlyphSize = 16;

// The ten tool-bar glyphs. Each is drawn from its SVG source when the program is built, at 16
// and at 32 pixels, so showing one costs no drawing at start-up. A glyph wanted at some number
// of device pixels is drawn from the smallest baked size at or above it, scaled down to the
// size wanted (never a baked size blown up); beyond the largest baked size it is drawn from its
// SVG source then, at the size wanted.
std::array<QIcon, shell::kGlyphCount> loadGlyphs();

// The baked size a glyph of `devicePixels` pixels is drawn from: the smallest at or above it,
// or 0 when every baked size is smaller (the glyph is drawn from its source).
int bakedGlyphSizeFor(int devicePixels);

// Glyph `index` drawn from its SVG source at `devicePixels` pixels, as the baking draws it.
QImage renderGlyphSource(int index, int devicePixels);

// The program icon: the window icon (32 x 32) and the About box's emblem (64 x 64).
QIcon programIcon();
QPixmap programEmblem();

}  // namespace zarovia::window

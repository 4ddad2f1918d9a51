#pragma once

// Hostile files made on the spot, one generator per family of fault: none of them is stored.
// Each is small (a few kilobytes at most) and legal as far as its headers go; what makes it
// hostile is what showing it would cost.

#include <QByteArray>
#include <QSize>

namespace zarovia::hostile {

// An EMF+ only file that sets a world transform stretching x about 900 times (with a slight
// shear) and draws a string: on the screen each glyph is some 800 pixels wide and one high.
QByteArray emfPlusGlyphUnderTransform();

// A plain WMF drawing a large string, and an RTF document that shows it squeezed into a
// picture far wider than high, so that the glyphs on the page are flattened as above.
QByteArray wmfLargeText();
QByteArray rtfWithSqueezedWmf(const QByteArray& wmf);
inline constexpr QSize kSqueezedWmfShown{1000, 1};

// An EMF+ only file whose bitmap object (a run-length BMP of a few bytes that decodes to
// `side` x `side` pixels) is drawn `draws` times.
QByteArray emfPlusImageCopies(int side, int draws);

}  // namespace zarovia::hostile

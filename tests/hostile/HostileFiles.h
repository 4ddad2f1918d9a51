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
// The same in a plain EMF: a world transform and text in the advanced graphics mode.
QByteArray emfGlyphUnderWorldTransform();

// A plain WMF drawing a large string, and an RTF document that shows it squeezed into a
// picture far wider than high, so that the glyphs on the page are flattened as above.
QByteArray wmfLargeText();
QByteArray rtfWithSqueezedWmf(const QByteArray& wmf);
inline constexpr QSize kSqueezedWmfShown{1000, 1};

// An EMF+ only file whose bitmap object (a run-length BMP of a few bytes that decodes to
// `side` x `side` pixels) is drawn `draws` times.
QByteArray emfPlusImageCopies(int side, int draws);

// A plain EMF whose clip path is a self-crossing star of `points` points (an odd number),
// combined with the clip by union, exclusive or and difference, each followed by a fill, and
// then cut by `exclusions` ExcludeClipRect records.
QByteArray emfStarClip(int points, int exclusions);

// An EMF+ only file whose region object is the union of a rectangle and a self-crossing star
// of `points` points, made the clip by intersection before a fill.
QByteArray emfPlusStarRegion(int points);

// An EMF+ only file whose region objects are trees of `leaves` stars of `points` points each,
// combined by union and exclusive or in turn, each region filled.
QByteArray emfPlusRegionTree(int leaves, int points);

// A placeable WMF filling `count` self-crossing stars of `points` points each over the whole
// picture: every one within the caps of a step, all of them far beyond a repaint's.
QByteArray wmfStarFills(int count, int points);

}  // namespace zarovia::hostile

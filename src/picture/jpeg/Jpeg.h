#pragma once

#include "picture/Picture.h"
#include "picture/jpeg/JpegInput.h"

#include <QByteArray>
#include <QSize>
#include <functional>

namespace zarovia::picture {

// A JPEG picture from the whole file's bytes. Only the header is read here (natural size,
// after the EXIF orientation); pixels are decoded when the picture is first drawn, prepared
// or converted. Throws zarovia::Failure("JPEG エラー #%d") with libjpeg's message code.
//
// Drawing and prepare() never throw: after a fatal libjpeg error in the pixel data the
// picture shows what was decoded, the rest grey. toImage() (full size, for printing) throws
// the failure instead.
// With `reopen`, the picture lets its bytes go once decoded and reads the file again through it,
// piece by piece, when a later decode needs it (see JpegPictureData).
using JpegReopen = std::function<jpeg::ChunkReader()>;
Picture loadJpeg(QByteArray bytes, JpegReopen reopen = {});

// A JPEG picture from the first bytes of its file, which must hold its header: no more of the
// file is kept, and every decode reads the file through `reopen`. Throws as loadJpeg does
// (a header that does not end within `head` counts as a truncated file).
Picture loadJpegFromHead(const QByteArray& head, JpegReopen reopen);

// Decodes a JPEG picture for drawing at `devicePixels` (the display size times the device
// pixel ratio), as prepare() does, and throws Failure("JPEG エラー #%d") when that decode
// ended in a fatal libjpeg error, so that the caller can report it before showing. Does
// nothing for other kinds of picture.
void decodeForDisplay(const Picture& picture, QSize devicePixels);

// The same, handing `firstLook` (on the calling thread) the first pass of a progressive
// JPEG that covers every component, upright, at the size of the finished decode, before
// the rest is read; then throws as above when the finished decode ended in a fatal error.
// A file damaged after its first look has been handed over (a late scan, the markers after
// the first scan) calls `firstLook` and then throws. A baseline JPEG, a picture already
// decoded at a covering scale and other kinds of picture never call it.
void decodeForDisplay(const Picture& picture, QSize devicePixels, const FirstLookSink& firstLook);

}  // namespace zarovia::picture

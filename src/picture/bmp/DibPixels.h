#pragma once

// The pixel paths of a DIB: one per (compression, bit count) pair the format allows. Each
// writes 32-bit pixels row by row into an image already sized to the bitmap.

#include "picture/ByteReader.h"
#include "picture/bmp/DibFormat.h"

#include <QImage>
#include <cstddef>

namespace zarovia::picture::dib {

enum class PixelPath { Indexed, Bitfields16, Bgr24, Bitfields32, Rle4, Rle8, Rle24 };

// The one dispatch from (compression, bit count) to a pixel path; every other pair fails as
// malformed.
PixelPath choosePixelPath(const DibHeader& header);

bool isRunLength(PixelPath path);

// Bytes of one stored row of an uncompressed bitmap (rows are padded to 32 bits).
std::uint64_t rowStride(std::int64_t width, int bitCount);

// Uncompressed rows: `bits` holds image.height() rows of `stride` bytes, already checked to
// be there; the last row needs only its pixel bytes.
void decodeIndexedRows(const unsigned char* bits, std::size_t stride, int bitCount,
                       const Palette& palette, bool topDown, QImage& image);
void decodeBgr24Rows(const unsigned char* bits, std::size_t stride, bool topDown, QImage& image);
// `useAlpha`: take the alpha mask's channel; otherwise every pixel is opaque.
void decodeBitfieldRows(const unsigned char* bits, std::size_t stride, int bitCount,
                        const PixelMasks& masks, bool useAlpha, bool topDown, QImage& image);

// Run-length data (bottom-up only). Pixels the runs never reach keep what the image holds.
// Data that stops before its end-of-bitmap leaves the rest as it is.
void decodeRunLength(ByteReader data, PixelPath path, const Palette& palette, QImage& image);

// How many pixels of a width x height bitmap the run-length data sets (the rest would show
// the first colour), found without allocating anything.
std::uint64_t runLengthPixelsSet(ByteReader data, PixelPath path, std::int64_t width,
                                 std::int64_t height);

}  // namespace zarovia::picture::dib

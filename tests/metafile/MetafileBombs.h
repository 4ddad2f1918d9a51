#pragma once

// Hostile metafiles made on the spot, for the tests and the benchmark: none of them is stored.

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace zarovia::picture::metafile::bombs {

// Appends little-endian values straight into a buffer reserved in advance.
class Bytes {
public:
    explicit Bytes(std::size_t reserve) { data_.reserve(static_cast<qsizetype>(reserve)); }
    void u16(std::uint16_t v) {
        data_.append(static_cast<char>(v & 0xFF));
        data_.append(static_cast<char>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v & 0xFFFF));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    // A WMF record of 16-bit parameters.
    void wmf(std::uint16_t function, std::initializer_list<int> params) {
        u32(static_cast<std::uint32_t>(3 + params.size()));
        u16(function);
        for (int p : params) u16(static_cast<std::uint16_t>(p));
    }
    QByteArray take() { return std::move(data_); }

private:
    QByteArray data_;
};

// A placeable WMF over a 10000-unit square at 1440 units per inch (667 pixels), its header
// followed by `records`.
inline void placeableHeader(Bytes& b) {
    b.u32(0x9AC6CDD7);
    b.u16(0);
    for (int v : {0, 0, 10000, 10000}) b.u16(static_cast<std::uint16_t>(v));
    b.u16(1440);
    b.u32(0);
    b.u16(0);
    b.u16(1);  // memory metafile
    b.u16(9);
    b.u16(0x0300);
    b.u32(0);
    b.u16(16);
    b.u32(0);
    b.u16(0);
}

inline void endOfFile(Bytes& b) {
    b.u32(3);
    b.u16(0);
}

// A pseudo-random walk of `records` LineTo records (10 bytes each): `longLines` jumps across the
// whole picture at every step, otherwise each step is a few units long.
inline QByteArray lineToBomb(std::size_t records, bool longLines) {
    Bytes b(records * 10 + 64);
    placeableHeader(b);
    std::uint32_t seed = 12345;
    int x = 5000;
    int y = 5000;
    for (std::size_t i = 0; i < records; ++i) {
        seed = seed * 1664525u + 1013904223u;
        if (longLines) {
            x = static_cast<int>((seed >> 8) % 10000);
            y = static_cast<int>((seed >> 16) % 10000 + (seed & 0xFF)) % 10000;
        } else {
            x = std::clamp(x + static_cast<int>((seed >> 10) % 61) - 30, 0, 9999);
            y = std::clamp(y + static_cast<int>((seed >> 20) % 61) - 30, 0, 9999);
        }
        b.wmf(0x0213, {y, x});  // LineTo
    }
    endOfFile(b);
    return b.take();
}

// `groups` of SaveDC, a clip change, a LineTo and RestoreDC (38 bytes, two drawing steps
// each): the clip is a fresh rectangle every time, or with `areas` the picture minus a
// rectangle, which makes a clip area.
inline QByteArray clipChurnBomb(std::size_t groups, bool areas) {
    Bytes b(groups * 38 + 64);
    placeableHeader(b);
    std::uint32_t seed = 777;
    for (std::size_t i = 0; i < groups; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int left = static_cast<int>((seed >> 8) % 9000);
        const int top = static_cast<int>((seed >> 16) % 9000);
        const int size = 100 + static_cast<int>(seed % 900);
        b.wmf(0x001E, {});  // SaveDC
        // Exclude- or IntersectClipRect: bottom, right, top, left.
        b.wmf(areas ? 0x0415 : 0x0416, {top + size, left + size, top, left});
        b.wmf(0x0213, {top + size / 2, left + size / 2});  // LineTo
        b.wmf(0x0127, {-1});                               // RestoreDC
    }
    endOfFile(b);
    return b.take();
}

// `count` one-character TextOut records (14 bytes each) spread over the picture.
inline QByteArray textBomb(std::size_t count) {
    Bytes b(count * 16 + 128);
    placeableHeader(b);
    // A 200-unit Arial, selected: height, width, escapement, orientation, weight, four pairs
    // of byte fields, the face name.
    b.u32(3 + 9 + 3);
    b.u16(0x02FB);
    b.u16(static_cast<std::uint16_t>(-200));
    for (int i = 0; i < 3; ++i) b.u16(0);
    b.u16(400);
    for (int i = 0; i < 4; ++i) b.u16(0);
    for (const char* pair : {"Ar", "ia", "l\0"})
        b.u16(static_cast<std::uint16_t>(pair[0] | (pair[1] << 8)));
    b.wmf(0x012D, {0});
    std::uint32_t seed = 99;
    for (std::size_t i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        b.wmf(0x0521, {1, 'x', static_cast<int>((seed >> 8) % 9800),
                       static_cast<int>((seed >> 16) % 9800)});  // TextOut
    }
    endOfFile(b);
    return b.take();
}

}  // namespace zarovia::picture::metafile::bombs

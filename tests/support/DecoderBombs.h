#pragma once

// Decoder bombs: tiny pictures whose headers claim huge sizes, for the tests and the benchmark
// that check what such a file costs. Run-length bitmaps hold 1 KB of runs, far too little for
// the picture they declare; JPEGs are 16 x 16 pictures whose frame header is rewritten.
#include <QByteArray>
#include <QtGlobal>

#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace zarovia::testing {

namespace bombs {

inline void putU16(QByteArray& out, quint32 v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

inline void putU32(QByteArray& out, quint32 v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

}  // namespace bombs

// 1 KB of 255-pixel runs of colour 1, then the end of the bitmap.
inline QByteArray kilobyteOfRuns() {
    QByteArray runs;
    while (runs.size() < 1024) runs.append("\xFF\x01", 2);
    return runs + QByteArray("\0\1", 2);
}

// A packed 8-bit run-length DIB (BITMAPINFOHEADER, colour 0 black, colour 1 red) whose header
// says `width` x `headerHeight`, followed by `runs`.
inline QByteArray rle8Dib(quint32 width, quint32 headerHeight,
                          const QByteArray& runs = kilobyteOfRuns()) {
    using bombs::putU16;
    using bombs::putU32;
    QByteArray dib;
    putU32(dib, 40);
    putU32(dib, width);
    putU32(dib, headerHeight);
    putU16(dib, 1);
    putU16(dib, 8);
    putU32(dib, 1);  // BI_RLE8
    putU32(dib, static_cast<quint32>(runs.size()));
    putU32(dib, 0);
    putU32(dib, 0);
    putU32(dib, 2);
    putU32(dib, 0);
    putU32(dib, 0x00000000);
    putU32(dib, 0x00FF0000);
    return dib + runs;
}

// A bitmap file holding rle8Dib(width, height).
inline QByteArray rle8BmpFile(quint32 width, quint32 height) {
    const QByteArray dib = rle8Dib(width, height);
    QByteArray file("BM", 2);
    bombs::putU32(file, static_cast<quint32>(14 + dib.size()));
    bombs::putU32(file, 0);
    bombs::putU32(file, 14 + 40 + 8);
    return file + dib;
}

// An icon file of one entry whose DIB says width x height, with no AND mask after its runs.
inline QByteArray rle8IcoFile(quint32 width, quint32 height) {
    using bombs::putU16;
    using bombs::putU32;
    const QByteArray dib = rle8Dib(width, height * 2);  // an icon's header counts the mask too
    QByteArray file;
    putU16(file, 0);
    putU16(file, 1);
    putU16(file, 1);
    file.append(QByteArray(4, '\0'));  // 256 x 256 in the directory, no colour count
    putU16(file, 1);
    putU16(file, 8);
    putU32(file, static_cast<quint32>(dib.size()));
    putU32(file, 6 + 16);
    return file + dib;
}

// A 16 x 16 grey JPEG (baseline or progressive) whose frame header claims width x height.
inline QByteArray jpegClaiming(int width, int height, bool progressive = false) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 16;
    info.image_height = 16;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(16 * 3, 90);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray jpeg(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    jpeg_destroy_compress(&info);
    std::free(buffer);
    const qsizetype sof = jpeg.indexOf(QByteArray(progressive ? "\xFF\xC2" : "\xFF\xC0", 2));
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

}  // namespace zarovia::testing

#pragma once

// CMYK JPEGs written through libjpeg, with or without Adobe's marker (which says the values are
// inverted, 255 = no ink, as Adobe's applications write them).

#include <QByteArray>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace zarovia::colourtest {

// `patches` CMYK colours side by side, each `side` pixels square, stored as given; with
// `adobeMarker` libjpeg writes its Adobe marker, so readers take the values as inverted.
inline QByteArray cmykJpeg(const std::vector<std::array<unsigned char, 4>>& patches, int side,
                           bool adobeMarker) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(side * static_cast<int>(patches.size()));
    info.image_height = static_cast<JDIMENSION>(side);
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, JCS_CMYK);
    jpeg_set_quality(&info, 100, TRUE);
    info.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(info.image_width * 4);
    for (std::size_t i = 0; i < patches.size(); ++i)
        for (int x = 0; x < side; ++x)
            for (int c = 0; c < 4; ++c) row[(i * side + x) * 4 + c] = patches[i][c];
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray out(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return out;
}

}  // namespace zarovia::colourtest

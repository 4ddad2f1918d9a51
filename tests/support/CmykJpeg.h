#pragma once

// CMYK JPEGs written through libjpeg, with or without Adobe's marker (which says the values are
// inverted, 255 = no ink, as Adobe's applications write them).

#include <QByteArray>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace zarovia::colourtest {

// How a four-component file is written: with libjpeg's Adobe marker (readers then take the
// values as inverted), as YCCK instead of CMYK, at `quality`; `tune` sets anything else (restart
// markers) before compression starts.
struct CmykJpegOptions {
    bool adobeMarker = true;
    bool ycck = false;
    int quality = 100;
    std::function<void(jpeg_compress_struct&)> tune;
};

// A `width` x `height` four-component JPEG whose rows `fillRow(y, row)` fills (four bytes a
// pixel, stored as given). Made from known-good input: libjpeg's default error handler, which
// ends the process with its message, is the right response to a broken test.
inline QByteArray writeCmykJpeg(int width, int height,
                                const std::function<void(int y, unsigned char* row)>& fillRow,
                                const CmykJpegOptions& options = {}) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    // YCCK keeps libjpeg's default sampling for it (luma and black 2x2, chroma 1x1).
    jpeg_set_colorspace(&info, options.ycck ? JCS_YCCK : JCS_CMYK);
    jpeg_set_quality(&info, options.quality, TRUE);
    info.write_Adobe_marker = options.adobeMarker ? TRUE : FALSE;
    if (options.tune) options.tune(info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 4);
    while (info.next_scanline < info.image_height) {
        fillRow(static_cast<int>(info.next_scanline), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray out(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return out;
}

// `patches` CMYK colours side by side, each `side` pixels square, stored as given; with
// `adobeMarker` libjpeg writes its Adobe marker, so readers take the values as inverted.
inline QByteArray cmykJpeg(const std::vector<std::array<unsigned char, 4>>& patches, int side,
                           bool adobeMarker) {
    CmykJpegOptions options;
    options.adobeMarker = adobeMarker;
    const auto fill = [&](int, unsigned char* row) {
        for (std::size_t i = 0; i < patches.size(); ++i)
            for (int x = 0; x < side; ++x)
                for (int c = 0; c < 4; ++c) row[(i * side + x) * 4 + c] = patches[i][c];
    };
    return writeCmykJpeg(side * static_cast<int>(patches.size()), side, fill, options);
}

}  // namespace zarovia::colourtest

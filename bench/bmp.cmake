# Bitmap and icon decode timings on generated camera-sized pictures (see README.md).
zarovia_add_bench(bmp_decode_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bmp_decode_bench.cpp
                  LIBS zarovia_bmp)

# JPEG header and display-decode timings; takes JPEG paths as arguments (see README.md).
zarovia_add_bench(jpeg_decode_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/jpeg_decode_bench.cpp
                  LIBS zarovia_jpeg JPEG::JPEG)

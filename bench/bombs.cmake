# Decoder bombs: peak memory and time of tiny files that claim huge pictures (see README.md).
zarovia_add_bench(decoder_bombs_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/decoder_bombs_bench.cpp
                  LIBS zarovia_bmp zarovia_document_widgets JPEG::JPEG)
target_include_directories(decoder_bombs_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)

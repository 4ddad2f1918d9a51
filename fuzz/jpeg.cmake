zarovia_add_fuzzer(jpeg_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/jpeg_fuzz.cpp zarovia_jpeg)
# The banded decode against the one-thread decode of the same input.
zarovia_add_fuzzer(jpeg_band_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/jpeg_band_fuzz.cpp zarovia_jpeg)
if(ZAROVIA_FUZZ)
    # Coverage feedback from the decoder glue itself, not only from the entry point.
    target_compile_options(zarovia_jpeg PRIVATE -fsanitize=fuzzer-no-link)
endif()

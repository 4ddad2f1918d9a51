# The .bmp file decoder, the icon decoder and the shared DIB reader.
zarovia_add_fuzzer(bmp_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/bmp_fuzz.cpp zarovia_bmp)
zarovia_add_fuzzer(ico_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/ico_fuzz.cpp zarovia_bmp)
zarovia_add_fuzzer(dib_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/dib_fuzz.cpp zarovia_bmp)

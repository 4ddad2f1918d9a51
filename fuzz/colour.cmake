# The colour-profile path: JPEG ICC chunk reassembly, a bitmap header's colour fields, and
# Little CMS's profile parser and transform builder behind them.
zarovia_add_fuzzer(colour_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/colour_fuzz.cpp zarovia_colour)

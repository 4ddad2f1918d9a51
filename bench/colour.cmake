# Colour management: what a conversion costs at the sizes shown, and how far the plain CMYK
# formula was from the default CMYK profile.
zarovia_add_bench(colour_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/colour_bench.cpp
                  LIBS zarovia_colour Qt6::Gui)

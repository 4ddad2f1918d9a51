# Metafile playing: parse once, then draw at 640 x 480 many times.
zarovia_add_bench(metafile_render
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/metafile_render.cpp
            ${CMAKE_SOURCE_DIR}/tests/hostile/HostileFiles.cpp
    LIBS zarovia_metafile)
target_compile_definitions(metafile_render PRIVATE ZAROVIA_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
target_include_directories(metafile_render PRIVATE ${CMAKE_SOURCE_DIR}/tests)

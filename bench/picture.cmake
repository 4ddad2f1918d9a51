zarovia_add_bench(picture_list_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/picture_list_bench.cpp LIBS zarovia_picture)

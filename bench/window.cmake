zarovia_add_bench(next_picture_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/next_picture_bench.cpp LIBS zarovia_window zarovia_media_testing Qt6::Test)
target_include_directories(next_picture_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
# The longest stall of the window's event loop while heavy files open.
zarovia_add_bench(window_gaps_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/window_gaps_bench.cpp
            ${CMAKE_SOURCE_DIR}/tests/hostile/HostileFiles.cpp
    LIBS zarovia_window zarovia_media_testing)
target_include_directories(window_gaps_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(window_gaps_bench PRIVATE
    ZAROVIA_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
    ZAROVIA_ENGINE_MODULE="$<TARGET_FILE:zarovia_media_engine>")

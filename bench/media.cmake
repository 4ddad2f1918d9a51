# Media: open to first video frame, failing on bad files, position queries per tick, and the
# longest pause of the event loop while opening and while dragging the position bar.
zarovia_add_bench(media_bench SOURCES media_bench.cpp LIBS zarovia_media_gst zarovia_media_widgets)
target_compile_definitions(media_bench PRIVATE ZAROVIA_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")

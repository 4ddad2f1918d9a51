# Start-up: the bare Qt widgets program the viewer's exec-to-picture time is compared with.
zarovia_add_bench(reference_viewer SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/reference_viewer.cpp
                  LIBS Qt6::Widgets)

# The document pane: RTF reading and layout, the hex dump, loading large plain text.
zarovia_add_bench(document_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/document_bench.cpp
                  LIBS zarovia_document_widgets)

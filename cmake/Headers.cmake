# Each library gets an include root of its own under the build tree, holding links to its own
# headers only (paths relative to src/, so "picture/Picture.h" reads the same everywhere). A
# library sees its own headers and those of the libraries it links, and nothing else: a core
# library that includes a window header fails to compile.
set(ZAROVIA_SRC ${CMAKE_SOURCE_DIR}/src)

# zarovia_publish_headers(target GLOB...): globs are relative to src/ and not recursive.
function(zarovia_publish_headers target)
    set(root ${CMAKE_BINARY_DIR}/include/${target})
    foreach(pattern ${ARGN})
        file(GLOB headers RELATIVE ${ZAROVIA_SRC} CONFIGURE_DEPENDS ${ZAROVIA_SRC}/${pattern})
        if(NOT headers)
            message(FATAL_ERROR "zarovia_publish_headers(${target}): nothing matches ${pattern}")
        endif()
        foreach(header ${headers})
            get_filename_component(dir ${root}/${header} DIRECTORY)
            file(MAKE_DIRECTORY ${dir})
            file(CREATE_LINK ${ZAROVIA_SRC}/${header} ${root}/${header} SYMBOLIC)
        endforeach()
    endforeach()
    target_include_directories(${target} PUBLIC ${root})
endfunction()

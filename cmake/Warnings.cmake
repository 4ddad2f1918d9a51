# The one warnings list, used by local builds and by CI alike.
set(ZAROVIA_WARNINGS
    -Wall
    -Wextra
    -Wshadow
    -Wnon-virtual-dtor
    -Wcast-align
    -Wunused
    -Woverloaded-virtual
    -Wnull-dereference
    -Wdouble-promotion
    -Wformat=2
    -Wimplicit-fallthrough
)
option(ZAROVIA_WERROR "Treat warnings as errors" OFF)
if(ZAROVIA_WERROR)
    list(APPEND ZAROVIA_WARNINGS -Werror)
endif()

function(zarovia_warnings target)
    target_compile_options(${target} PRIVATE ${ZAROVIA_WARNINGS})
endfunction()

# The picture rules and the decoder table over the decoder libraries.
add_library(zarovia_picture STATIC
    Fitting.cpp
    PictureCache.cpp
    PictureList.cpp
    PictureLoader.cpp
    PrintLayout.cpp
    ShowRules.cpp
)
target_link_libraries(zarovia_picture PUBLIC zarovia_picture_base zarovia_platform_core Qt6::Gui Threads::Threads)
foreach(decoder bmp jpeg metafile)
    string(TOUPPER ${decoder} upper)
    if(TARGET zarovia_${decoder})
        target_link_libraries(zarovia_picture PUBLIC zarovia_${decoder})
        target_compile_definitions(zarovia_picture PRIVATE ZAROVIA_HAVE_${upper}=1)
    endif()
endforeach()
zarovia_warnings(zarovia_picture)

# The window, the About box and the Qt platform code: a static library that the program and
# the window tests link.
add_library(zarovia_app STATIC
    Unit1.cpp
    Unit1.h
    Unit1Definition.cpp
    Unit1Document.cpp
    Unit1Media.cpp
    Unit1Picture.cpp
    Unit3.cpp
    Unit3.h
    Unit3.ui
    platform/QtServices.cpp
    platform/controls/Align.cpp
    platform/controls/CommandButton.cpp
    platform/controls/ImageView.cpp
    platform/controls/IntervalTimer.cpp
    platform/controls/ListBox.cpp
    platform/controls/Panel.cpp
    platform/controls/SpinEdit.cpp
    shell/Glyphs.cpp
    shell/PlatformFonts.cpp
    shell/ResourcePictures.cpp
)
if(EXISTS ${CMAKE_SOURCE_DIR}/resources/resources.qrc)
    target_sources(zarovia_app PRIVATE ${CMAKE_SOURCE_DIR}/resources/resources.qrc)
    target_compile_definitions(zarovia_app PRIVATE ZAROVIA_HAVE_RESOURCES=1)
endif()
# The generated ui_*.h headers are included by tests too.
target_include_directories(zarovia_app PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}
                                              ${CMAKE_CURRENT_BINARY_DIR}/zarovia_app_autogen/include)
target_link_libraries(zarovia_app PUBLIC zarovia_core Qt6::Widgets Qt6::PrintSupport Qt6::Svg)
foreach(lib zarovia_media_widgets zarovia_document_widgets)
    if(TARGET ${lib})
        target_link_libraries(zarovia_app PUBLIC ${lib})
    endif()
endforeach()
zarovia_warnings(zarovia_app)

add_executable(zarovia main.cpp)
# The resources live in the static library; the object library trick keeps them linked.
target_link_libraries(zarovia PRIVATE zarovia_app)
zarovia_warnings(zarovia)

include(GNUInstallDirs)
install(TARGETS zarovia RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(EXISTS ${CMAKE_SOURCE_DIR}/resources/zarovia.desktop)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/zarovia.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/zarovia-32.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps RENAME zarovia.png)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/zarovia-64.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME zarovia.png)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/zarovia-256.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME zarovia.png)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/zarovia.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# The tool-bar glyphs and the program icon, baked into pixel arrays when the program is built
# (resources/bake): the window draws them at start without the SVG renderer or image plug-ins.
add_executable(zarovia_resource_baker ${CMAKE_SOURCE_DIR}/resources/bake/ResourceBaker.cpp)
target_link_libraries(zarovia_resource_baker PRIVATE Qt6::Gui Qt6::Svg)
zarovia_warnings(zarovia_resource_baker)
file(GLOB zarovia_glyph_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/glyphs/*.svg)
set(zarovia_baked_pixels ${CMAKE_CURRENT_BINARY_DIR}/generated/BakedPixels.cpp)
add_custom_command(
    OUTPUT ${zarovia_baked_pixels}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:zarovia_resource_baker> ${zarovia_baked_pixels}
            ${CMAKE_SOURCE_DIR}/resources/glyphs ${CMAKE_SOURCE_DIR}/resources/icon/zarovia-32.png
            ${CMAKE_SOURCE_DIR}/resources/icon/zarovia-64.png
    DEPENDS zarovia_resource_baker ${zarovia_glyph_sources}
            ${CMAKE_SOURCE_DIR}/resources/icon/zarovia-32.png
            ${CMAKE_SOURCE_DIR}/resources/icon/zarovia-64.png
    COMMENT "Baking the tool-bar glyphs and the program icon"
    VERBATIM)
# Generated pixel data compiles on its own, outside the unity build.
set_source_files_properties(${zarovia_baked_pixels} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)

# The window, the About box and the Qt platform code: a static library that the program and
# the window tests link.
add_library(zarovia_app STATIC
    Unit1.cpp
    Unit1.h
    Unit1Definition.cpp
    Unit1Document.cpp
    Unit1Loading.cpp
    Unit1Media.cpp
    Unit1Picture.cpp
    Unit1Printing.cpp
    Unit3.cpp
    Unit3.h
    Unit3.ui
    platform/PdfOutputCommit.cpp
    platform/QtDialogs.cpp
    platform/MediaEngineLoader.cpp
    platform/QtServices.cpp
    platform/X11WindowSystem.cpp
    shell/AccessibilityWatch.cpp
    shell/NextPaint.cpp
    shell/FullScreenMode.cpp
    shell/Glyphs.cpp
    shell/PlatformFonts.cpp
    shell/ResourcePictures.cpp
    shell/StartupProfile.cpp
    ${zarovia_baked_pixels}
    ${CMAKE_SOURCE_DIR}/resources/resources.qrc
)
zarovia_publish_headers(zarovia_app Unit1.h Unit3.h platform/PdfOutputCommit.h platform/QtDialogs.h platform/MediaEngineLoader.h
                        platform/X11WindowSystem.h
                        shell/AccessibilityWatch.h shell/NextPaint.h shell/FullScreenMode.h shell/BakedPixels.h shell/DeferredPane.h shell/Glyphs.h shell/PlatformFonts.h
                        shell/ResourcePictures.h shell/StartupProfile.h)
# The generated ui_*.h headers are included by tests too.
target_include_directories(zarovia_app PUBLIC ${CMAKE_CURRENT_BINARY_DIR}/zarovia_app_autogen/include)
target_link_libraries(zarovia_app PUBLIC zarovia_core zarovia_controls zarovia_picture_widgets
                                         zarovia_media_widgets
                                         zarovia_document_widgets
                                         Qt6::Widgets Qt6::PrintSupport)
# The font configuration is loaded on a thread of its own at start-up (shell/PlatformFonts).
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
target_link_libraries(zarovia_app PRIVATE PkgConfig::FONTCONFIG)
# The window manager's state of the window is read from the X server itself.
target_link_libraries(zarovia_app PRIVATE PkgConfig::XCB)
# Where the installed program finds the media engine module, relative to its own folder.
include(GNUInstallDirs)
file(RELATIVE_PATH zarovia_engine_dir ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/zarovia)
target_compile_definitions(zarovia_app PRIVATE ZAROVIA_ENGINE_INSTALL_DIR="${zarovia_engine_dir}")
target_link_libraries(zarovia_app PRIVATE ${CMAKE_DL_LIBS})
zarovia_warnings(zarovia_app)

add_executable(zarovia main.cpp)
target_link_libraries(zarovia PRIVATE zarovia_app ${CMAKE_DL_LIBS})
zarovia_hosts_media_engine(zarovia)
zarovia_warnings(zarovia)

include(GNUInstallDirs)
install(TARGETS zarovia RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS zarovia_media_engine LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/zarovia)
install(FILES ${CMAKE_SOURCE_DIR}/resources/zarovia.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 32 64 256)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/zarovia-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME zarovia.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/zarovia.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

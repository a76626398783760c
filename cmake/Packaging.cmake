# Installing on a Linux desktop (the program, its desktop entry, icons and AppStream metadata) and the Debian
# package that CPack makes of that install. The Windows build installs nothing.
if(WIN32)
    return()
endif()

include(GNUInstallDirs)

set(MIRTAL_APP_ID example.mirtal.Mirtal)
# The release that PROJECT_VERSION names; both dates change with it.
set(MIRTAL_RELEASE_DATE 2026-12-07)
set(MIRTAL_RELEASE_DATE_RFC2822 "Mon, 07 Dec 2026 00:00:00 +0000")
set(MIRTAL_MAINTAINER "The Mirtal developers <maintainers@mirtal.example>")
set(MIRTAL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging/linux)
set(MIRTAL_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)

# The program installed in this folder keeps its picture copies in the user's data folder, not beside itself.
set_property(SOURCE ${PROJECT_SOURCE_DIR}/platform/Places.cpp TARGET_DIRECTORY mirtal_platform_core APPEND PROPERTY
             COMPILE_DEFINITIONS MIRTAL_INSTALLED_PROGRAM_DIRECTORY="${CMAKE_INSTALL_FULL_BINDIR}")

# The icon, rendered from the drawing the window uses: at build time as PNG files at the sizes it is drawn at; the
# Windows build takes the committed packaging/windows/mirtal.ico, which the test holds to the same drawing.
add_executable(mirtal_render_icon ${PROJECT_SOURCE_DIR}/packaging/RenderIcon.cpp)
target_link_libraries(mirtal_render_icon PRIVATE mirtal_app_ui)
if(MIRTAL_BUILD_TESTS)
    add_test(NAME tst_program_icon
             COMMAND mirtal_render_icon --check ${PROJECT_SOURCE_DIR}/packaging/windows/mirtal.ico)
endif()
set(MIRTAL_ICON_SIZES 16 32 48)
list(TRANSFORM MIRTAL_ICON_SIZES APPEND ".png" OUTPUT_VARIABLE icon_files)
list(TRANSFORM icon_files PREPEND "${MIRTAL_PACKAGING_OUT}/icons/")
add_custom_command(OUTPUT ${icon_files}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MIRTAL_PACKAGING_OUT}/icons
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:mirtal_render_icon> --png ${MIRTAL_PACKAGING_OUT}/icons
    DEPENDS mirtal_render_icon
    COMMENT "Rendering the program's icon"
    VERBATIM)
add_custom_target(mirtal_icons ALL DEPENDS ${icon_files})

configure_file(${MIRTAL_PACKAGING_DIR}/${MIRTAL_APP_ID}.metainfo.xml.in
               ${MIRTAL_PACKAGING_OUT}/${MIRTAL_APP_ID}.metainfo.xml @ONLY)

# Debian's copyright file carries the licence text of LICENSE, indented as its format wants.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE licence_lines)
list(FILTER licence_lines EXCLUDE REGEX "^(MIT License|Copyright .*)$")
set(licence_text "")
set(leading TRUE)
foreach(line IN LISTS licence_lines)
    if(line STREQUAL "" AND leading)
        continue()
    endif()
    set(leading FALSE)
    if(line STREQUAL "")
        string(APPEND licence_text " .\n")
    else()
        string(APPEND licence_text " ${line}\n")
    endif()
endforeach()
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE licence_holder REGEX "^Copyright ")
string(REGEX REPLACE "^Copyright (\\(c\\) )?" "" licence_holder "${licence_holder}")
configure_file(${MIRTAL_PACKAGING_DIR}/copyright.in ${MIRTAL_PACKAGING_OUT}/copyright @ONLY)

configure_file(${MIRTAL_PACKAGING_DIR}/changelog.in ${MIRTAL_PACKAGING_OUT}/changelog @ONLY)
foreach(page IN ITEMS ${MIRTAL_PACKAGING_OUT}/changelog ${MIRTAL_PACKAGING_DIR}/mirtal.1)
    get_filename_component(name ${page} NAME)
    execute_process(COMMAND gzip -9nc ${page} OUTPUT_FILE ${MIRTAL_PACKAGING_OUT}/${name}.gz COMMAND_ERROR_IS_FATAL ANY)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${MIRTAL_PACKAGING_DIR}/mirtal.1
                                                            ${PROJECT_SOURCE_DIR}/LICENSE)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
install(TARGETS mirtal RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${MIRTAL_PACKAGING_DIR}/${MIRTAL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${MIRTAL_PACKAGING_OUT}/${MIRTAL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS MIRTAL_ICON_SIZES)
    install(FILES ${MIRTAL_PACKAGING_OUT}/icons/${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${MIRTAL_APP_ID}.png)
endforeach()
install(FILES ${MIRTAL_PACKAGING_OUT}/mirtal.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${MIRTAL_PACKAGING_OUT}/copyright ${MIRTAL_PACKAGING_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mirtal)

# The Debian package: what the binary links comes from dpkg-shlibdeps; Qt's Russian translation and the fonts that
# stand in for the layout's are named here (scripts/packages/base.txt installs the same for a build).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirtal)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${MIRTAL_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://mirtal.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-dejavu-core, fonts-liberation2, fonts-sil-andika")
# Qt's own plugin for Wayland sessions; without it the program runs through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "background picture and caption colour for a Windows Explorer folder")
set(CPACK_PACKAGE_DESCRIPTION [=[Mirtal gives one folder of the Windows Explorer shell its own background
picture and its own colour for the icon captions, by writing the folder's
Desktop.ini exactly as the shell reads it. Foreign lines of the file are
kept, and the file and the folder get the attributes the shell needs.

On Linux it prepares folders that Windows machines see through a Samba
share or on an NTFS disk; the attributes are kept where Samba shows them to
Windows. The interface is in Russian.]=])
include(CPack)

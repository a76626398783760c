# The Win32 layer: plain Win32 C++, no Qt, so that it builds with a bare MinGW as well as inside the program.
# Expects the target mirtal_options (standard and warnings) to exist.

get_filename_component(MIRTAL_WIN32_ROOT "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)

add_library(mirtal_win32 STATIC
    ${CMAKE_CURRENT_LIST_DIR}/../ValueOr.h
    ${CMAKE_CURRENT_LIST_DIR}/WinResult.h
    ${CMAKE_CURRENT_LIST_DIR}/UniqueHandle.h
    ${CMAKE_CURRENT_LIST_DIR}/Win32Text.h
    ${CMAKE_CURRENT_LIST_DIR}/Win32Text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Win32Files.h
    ${CMAKE_CURRENT_LIST_DIR}/Win32Files.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Win32Shell.h
    ${CMAKE_CURRENT_LIST_DIR}/Win32Shell.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ComDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/ComDlg.cpp
)
target_include_directories(mirtal_win32 PUBLIC ${MIRTAL_WIN32_ROOT})
# NOMINMAX: windows.h reaches Qt and standard headers through ours.
target_compile_definitions(mirtal_win32 PUBLIC NOMINMAX)
# The Russian messages are UTF-8 in the source; MinGW reads UTF-8 anyway.
target_compile_options(mirtal_win32 PRIVATE $<$<CXX_COMPILER_ID:MSVC>:/utf-8>)
target_link_libraries(mirtal_win32 PUBLIC comdlg32 shell32 PRIVATE mirtal_options)

# ShowColorDialog's record against the 32-bit headers too, where it is the 36-byte record: compiled, not run.
if(CMAKE_CROSSCOMPILING AND NOT MSVC)
    find_program(MIRTAL_I686_CXX NAMES i686-w64-mingw32-g++-posix i686-w64-mingw32-g++)
    if(MIRTAL_I686_CXX)
        set(stamp ${CMAKE_CURRENT_BINARY_DIR}/ComDlg-i686.checked)
        add_custom_command(OUTPUT ${stamp}
            COMMAND ${MIRTAL_I686_CXX} -std=c++20 -fsyntax-only -Werror -Wall -Wextra -Wpedantic -Wconversion
                    -Wsign-conversion -Wold-style-cast -DNOMINMAX -I${MIRTAL_WIN32_ROOT}
                    ${CMAKE_CURRENT_LIST_DIR}/ComDlg.cpp
            COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
            DEPENDS ${CMAKE_CURRENT_LIST_DIR}/ComDlg.cpp ${CMAKE_CURRENT_LIST_DIR}/ComDlg.h
            COMMENT "Checking the colour dialog's record against the 32-bit headers"
            VERBATIM)
        add_custom_target(mirtal_comdlg_i686 ALL DEPENDS ${stamp})
    else()
        message(WARNING "No i686-w64-mingw32-g++: the 36-byte layout of CHOOSECOLORA is not checked.")
    endif()
endif()

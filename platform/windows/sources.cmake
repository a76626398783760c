# Windows: the Win32 layer (win32.cmake, plain Win32 without Qt) and the Qt adapters that the program calls.
include(${CMAKE_CURRENT_LIST_DIR}/win32.cmake)

set(MIRTAL_PLATFORM_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/QtBridge.h
    ${CMAKE_CURRENT_LIST_DIR}/WindowsFileSystem.h
    ${CMAKE_CURRENT_LIST_DIR}/WindowsFileSystem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowsPaths.cpp
)
set(MIRTAL_PLATFORM_GUI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/WindowsDialogs.h
    ${CMAKE_CURRENT_LIST_DIR}/WindowsDialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowsShell.h
    ${CMAKE_CURRENT_LIST_DIR}/WindowsShell.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowsServices.cpp
)
target_link_libraries(mirtal_platform_core PUBLIC mirtal_win32)

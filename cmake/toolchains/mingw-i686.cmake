# 32-bit Windows (i686) with Debian's mingw-w64 compilers (the win32 thread
# model): the build that runs on Windows 95, 98, Me, NT 4.0 and 2000.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(DORVIX_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Cross-compiling the x64 build of the program with MinGW-w64 (posix threads):
# the one that runs under Wine on machines that cannot start 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

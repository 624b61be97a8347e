# Cross-compiling the x64 build of the program with MinGW-w64 (posix threads):
# the one that runs under Wine on machines that cannot start 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
# Its tests run under 64-bit Wine's own loader: plain `wine` may pick the
# 32-bit one, which such machines cannot start. A cache variable of its own,
# so a build folder configured when plain `wine` was looked up takes it too.
find_program(WINE64_PROGRAM NAMES wine64 NAMES_PER_DIR PATHS /usr/lib/wine /usr/lib64/wine)
set(WINE_PROGRAM ${WINE64_PROGRAM})
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Every product source file, by layer; the layer shows in the path.
#
#   core/       pure logic: never includes a platform header. Built natively
#               for the unit tests (under sanitizers) and by MinGW into the
#               program; taken whole, so a file there that includes
#               <windows.h> breaks the native build: that is the check.
#   platform/   the small class layer over Win32 and the platform services
#   controls/   reusable controls and the owner-drawn menus; they know
#               nothing of the application
#   app/        the application: start-up, the panel, its dialogs, the
#               memo store, tools and tray
#
# A file includes only from its own layer and the layers listed before it
# (scripts/layers.py checks this, and that no includes run in a circle).
file(GLOB_RECURSE VELLUMO_PURE_SOURCES CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_LIST_DIR}/..
     ${CMAKE_CURRENT_LIST_DIR}/../core/*.cpp)

# Window code: built only by MinGW, into the library that both Vellumo.exe
# and the in-process window tests link.
file(GLOB_RECURSE VELLUMO_WIN_SOURCES CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_LIST_DIR}/..
     ${CMAKE_CURRENT_LIST_DIR}/../platform/*.cpp
     ${CMAKE_CURRENT_LIST_DIR}/../controls/*.cpp
     ${CMAKE_CURRENT_LIST_DIR}/../app/*.cpp)

# Only in Vellumo.exe: the application object and the entry point.
set(VELLUMO_APP_SOURCES
    app/startup/vellumo_app.cpp
    platform/win_main.cpp
)
list(REMOVE_ITEM VELLUMO_WIN_SOURCES ${VELLUMO_APP_SOURCES})

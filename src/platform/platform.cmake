# Where there is no Win32 console window: the game reached through its standard streams, and its
# window on an X11 desktop. Plain C++ and POSIX; linked into the program's wiring.
find_package(Threads REQUIRED)
add_library(parlevox_stdio STATIC src/platform/stdio/StdioGame.cpp)
target_link_libraries(parlevox_stdio PUBLIC parlevox_core Threads::Threads)

# Without the X11 client library the game's window is never found and its steps are skipped.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(XCB QUIET IMPORTED_TARGET xcb)
endif()
if(XCB_FOUND)
  add_library(parlevox_x11 STATIC src/platform/x11/X11GameWindow.cpp)
  target_link_libraries(parlevox_x11 PUBLIC parlevox_core PkgConfig::XCB)
  target_compile_definitions(parlevox_x11 INTERFACE PARLEVOX_HAVE_X11)
endif()

# The real media back ends, each its own target, linked into the windows that choose them; the
# core only knows the media seam. DirectShow (Windows) comes with the Windows build.
if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(GST REQUIRED IMPORTED_TARGET gstreamer-1.0)
  add_library(parlevox_gst STATIC src/player/GstMediaBackEnd.cpp)
  target_link_libraries(parlevox_gst PUBLIC parlevox_core PRIVATE PkgConfig::GST)
  target_link_libraries(parlevox_gui PUBLIC parlevox_gst)
endif()

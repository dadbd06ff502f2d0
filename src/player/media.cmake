# The real media back ends, each its own target, linked into the windows that choose them; the
# core only knows the media seam.
if(WIN32)
  # DirectShow. The Windows test programs link it too, so the cross build that makes only the
  # core and the test programs includes this file before the windows exist; the target is made
  # by whichever inclusion comes first.
  if(NOT TARGET parlevox_dshow)
    add_library(parlevox_dshow STATIC src/player/DShowMediaBackEnd.cpp)
    target_link_libraries(parlevox_dshow PUBLIC parlevox_core PRIVATE strmiids ole32 oleaut32)
  endif()
  if(TARGET parlevox_gui)
    target_link_libraries(parlevox_gui PUBLIC parlevox_dshow)
  endif()
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(GST REQUIRED IMPORTED_TARGET gstreamer-1.0)
  add_library(parlevox_gst STATIC src/player/GstMediaBackEnd.cpp)
  target_link_libraries(parlevox_gst PUBLIC parlevox_core PRIVATE PkgConfig::GST)
  target_link_libraries(parlevox_gui PUBLIC parlevox_gst)
endif()

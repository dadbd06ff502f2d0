# Parlevox's icon, drawn once (packaging/parlevox.svg) and rendered at build time into the sizes
# the systems ask for: PNGs for the windows' own icon (a Qt resource of parlevox_gui) and for
# Linux's hicolor theme, and on Windows an .ico in the program file. rsvg-convert (librsvg2-bin)
# renders; icotool (icoutils) packs the .ico. A build on a Windows machine without them makes a
# program with a painted stand-in icon and says so.
#
# Sets PARLEVOX_ICON_DIR (the rendered parlevox-<size>.png files) and, when one was made,
# PARLEVOX_ICON_ICO.

set(PARLEVOX_ICON_SVG "${PROJECT_SOURCE_DIR}/packaging/parlevox.svg")
set(PARLEVOX_ICON_DIR "${CMAKE_BINARY_DIR}/icons")
# Windows shows 16 to 64 px in lists, the taskbar and title bars, and 256 px in Explorer's large
# views; Linux's menus ask for the same and 128 px.
set(PARLEVOX_ICON_SIZES 16 24 32 48 64 128 256)
set(PARLEVOX_ICO_SIZES 16 24 32 48 64 256)

if(CMAKE_HOST_WIN32)
  set(required)
else()
  set(required REQUIRED)
endif()
find_program(PARLEVOX_RSVG_CONVERT rsvg-convert ${required})
if(WIN32)
  find_program(PARLEVOX_ICOTOOL icotool ${required})
endif()
if(NOT PARLEVOX_RSVG_CONVERT OR (WIN32 AND NOT PARLEVOX_ICOTOOL))
  message(WARNING "rsvg-convert or icotool is missing: parlevox is built without its icon")
  return()
endif()

set(pngs)
foreach(size IN LISTS PARLEVOX_ICON_SIZES)
  set(png "${PARLEVOX_ICON_DIR}/parlevox-${size}.png")
  add_custom_command(OUTPUT "${png}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${PARLEVOX_ICON_DIR}"
    COMMAND "${PARLEVOX_RSVG_CONVERT}" --width ${size} --height ${size} --output "${png}"
      "${PARLEVOX_ICON_SVG}"
    DEPENDS "${PARLEVOX_ICON_SVG}"
    COMMENT "Rendering the ${size} px icon"
    VERBATIM)
  list(APPEND pngs "${png}")
endforeach()
add_custom_target(parlevox_icons ALL DEPENDS ${pngs})
qt_add_resources(parlevox_gui icons
  PREFIX /parlevox/icons
  BASE "${PARLEVOX_ICON_DIR}"
  FILES ${pngs})

if(WIN32)
  # The largest size goes in as PNG, as Windows reads it since Vista; the others as bitmaps,
  # which every part of Windows draws.
  set(PARLEVOX_ICON_ICO "${PARLEVOX_ICON_DIR}/parlevox.ico")
  set(bitmaps)
  foreach(size IN LISTS PARLEVOX_ICO_SIZES)
    if(size EQUAL 256)
      list(APPEND bitmaps "--raw=${PARLEVOX_ICON_DIR}/parlevox-${size}.png")
    else()
      list(APPEND bitmaps "${PARLEVOX_ICON_DIR}/parlevox-${size}.png")
    endif()
  endforeach()
  add_custom_command(OUTPUT "${PARLEVOX_ICON_ICO}"
    COMMAND "${PARLEVOX_ICOTOOL}" --create --output "${PARLEVOX_ICON_ICO}" ${bitmaps}
    DEPENDS ${pngs}
    COMMENT "Packing the icon for Windows"
    VERBATIM)
endif()

# parlevox.exe's resources (packaging/windows/parlevox.rc.in): the icon from cmake/icons.cmake,
# the version information from the project's version, and the application manifest. Visual
# C++'s linker writes a manifest of its own and merges the one given as a source into it;
# MinGW's takes it from the resources.
enable_language(RC)

string(REPLACE "." "," PARLEVOX_VERSION_COMMAS "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
set(PARLEVOX_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
set(PARLEVOX_MANIFEST "${CMAKE_BINARY_DIR}/parlevox.manifest")
configure_file(packaging/windows/parlevox.manifest.in "${PARLEVOX_MANIFEST}" @ONLY)
configure_file(packaging/windows/parlevox.rc.in "${CMAKE_BINARY_DIR}/parlevox.rc" @ONLY)

set(rc "${CMAKE_BINARY_DIR}/parlevox.rc")
target_sources(parlevox PRIVATE "${rc}")
set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS "${PARLEVOX_MANIFEST}")
if(PARLEVOX_ICON_ICO)
  set_property(SOURCE "${rc}" APPEND PROPERTY COMPILE_DEFINITIONS PARLEVOX_ICON)
  set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS "${PARLEVOX_ICON_ICO}")
  # A source of the program, so that its rule runs before the resources are compiled.
  target_sources(parlevox PRIVATE "${PARLEVOX_ICON_ICO}")
endif()
if(MSVC)
  set_property(SOURCE "${rc}" APPEND PROPERTY COMPILE_DEFINITIONS PARLEVOX_MANIFEST_BY_LINKER)
  target_sources(parlevox PRIVATE "${PARLEVOX_MANIFEST}")
endif()

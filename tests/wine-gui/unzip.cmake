# Unzips the Windows release zip ZIP into a new, empty folder below PARENT whose name goes beyond
# ASCII, as a player would on a machine in any language:  cmake -DZIP=… -DPARENT=… -P unzip.cmake
if(NOT EXISTS "${ZIP}")
  message(FATAL_ERROR "No Windows release zip ${ZIP}: make it with scripts/package-windows.sh")
endif()
file(REMOVE_RECURSE "${PARENT}")
set(folder "${PARENT}/Jeux été")
file(MAKE_DIRECTORY "${folder}")
file(ARCHIVE_EXTRACT INPUT "${ZIP}" DESTINATION "${folder}")
file(GLOB_RECURSE exe "${folder}/*/parlevox.exe")
if(NOT exe)
  message(FATAL_ERROR "${ZIP} holds no parlevox.exe in a folder")
endif()
message(STATUS "Unzipped into ${folder}")

# Installing Parlevox on Linux and its Debian package (scripts/package-linux.sh runs CPack):
#   bin/parlevox
#   share/applications/parlevox.desktop        the menu entry, with "Play OpenJK beside Parlevox"
#   share/icons/hicolor/*/apps/parlevox.*      the icon: scalable SVG, PNGs rendered at build time
#   share/metainfo/<id>.metainfo.xml           what software centres show
#   share/man/man1/parlevox.1.gz
#   share/doc/parlevox/                        README, copyright, changelog, an example replay
include(GNUInstallDirs)

set(PARLEVOX_APPSTREAM_ID "io.github.parlevox.parlevox")
set(PARLEVOX_MAINTAINER "The Parlevox developers <maintainers@users.noreply.c-seed-a560e5dd.example>"
  CACHE STRING "The Debian package's maintainer, as \"Name <address>\"")
set(linux "${PROJECT_SOURCE_DIR}/packaging/linux")
set(doc "${CMAKE_INSTALL_DATADIR}/doc/parlevox")

# The changelog and the software centres' release list both name this version first: a release
# that forgets one of them stops here.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  "${linux}/changelog" "${linux}/${PARLEVOX_APPSTREAM_ID}.metainfo.xml")
file(STRINGS "${linux}/changelog" newest LIMIT_COUNT 1)
string(REGEX REPLACE "^parlevox \\(([^)]*)\\).*" "\\1" changelog_version "${newest}")
file(READ "${linux}/${PARLEVOX_APPSTREAM_ID}.metainfo.xml" metainfo)
string(REGEX MATCH "<release version=\"([^\"]*)\" date=\"([^\"]*)\"" release "${metainfo}")
set(metainfo_version "${CMAKE_MATCH_1}")
# The manual page is dated with its release.
set(PARLEVOX_RELEASE_DATE "${CMAKE_MATCH_2}")
if(NOT changelog_version STREQUAL PROJECT_VERSION OR NOT metainfo_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "Version ${PROJECT_VERSION}: the newest entry of packaging/linux/changelog "
    "is \"${changelog_version}\", the metainfo's newest release \"${metainfo_version}\"; "
    "give the version an entry in both")
endif()

# Compressed as Debian wants them: gzip -9, no name or time stamp inside.
find_program(PARLEVOX_GZIP gzip REQUIRED)
configure_file("${linux}/parlevox.1.in" "${CMAKE_BINARY_DIR}/packaging/parlevox.1" @ONLY)
set(compressed)
foreach(file "${CMAKE_BINARY_DIR}/packaging/parlevox.1" "${linux}/changelog")
  get_filename_component(name "${file}" NAME)
  set(gz "${CMAKE_BINARY_DIR}/packaging/${name}.gz")
  add_custom_command(OUTPUT "${gz}"
    COMMAND "${PARLEVOX_GZIP}" -9n --stdout "${file}" > "${gz}"
    DEPENDS "${file}"
    VERBATIM)
  list(APPEND compressed "${gz}")
endforeach()
add_custom_target(parlevox_packaging ALL DEPENDS ${compressed})

install(TARGETS parlevox RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "${linux}/parlevox.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${linux}/${PARLEVOX_APPSTREAM_ID}.metainfo.xml"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${PARLEVOX_ICON_SVG}"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
foreach(size 48 64 128 256)
  install(FILES "${PARLEVOX_ICON_DIR}/parlevox-${size}.png"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
    RENAME parlevox.png)
endforeach()
install(FILES "${CMAKE_BINARY_DIR}/packaging/parlevox.1.gz"
  DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES README.md "${linux}/copyright" "${CMAKE_BINARY_DIR}/packaging/changelog.gz"
  DESTINATION "${doc}")
install(FILES examples/demo.txt DESTINATION "${doc}/examples")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parlevox)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${PARLEVOX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PARLEVOX_SUMMARY}")
# Lines as Debian shows them, at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION [=[
Parlevox runs beside the multiplayer game Jedi Knight: Jedi Academy. It reads
the game's console and types console commands into it, as a player would: it
answers game events in chat, obeys the local player's chat commands (!next,
!play, !vol, !load, !mini) and plays music, whose tracks it announces in the
game.

On Linux it starts OpenJK, the game's open-source engine, and plays through its
standard streams; without it, a built-in practice game stands in for the game's
console.]=])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Not "games": Debian keeps those in /usr/games, and Parlevox is a tool beside a game.
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries from dpkg-shlibdeps; the plug-ins GStreamer plays the playlist's files with
# (WAV, Ogg and FLAC, MP3 through mpg123), and for WMA the one from libav.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-ugly")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-libav")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

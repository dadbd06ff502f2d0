# The Debian package as a player gets it (label "package"): what it holds, what Debian's checkers
# say of it, and its program run from the package unpacked into an empty folder. Registered when
# PARLEVOX_LINUX_DEB names a package made by scripts/package-linux.sh (./test.sh makes one).
set(PARLEVOX_LINUX_DEB "" CACHE FILEPATH
  "The Debian package (scripts/package-linux.sh) whose tests ctest runs (empty: none)")
if(NOT PARLEVOX_LINUX_DEB)
  return()
endif()

set(deb "${PARLEVOX_LINUX_DEB}")
set(root "${CMAKE_BINARY_DIR}/package-root")
set(here "${CMAKE_CURRENT_LIST_DIR}")

# Unpacked afresh on every run, as dpkg would install it, into an empty folder.
add_test(NAME package.unpack
  COMMAND sh -c "rm -rf \"$0\" && dpkg-deb --extract \"$1\" \"$0\"" "${root}" "${deb}")
set_tests_properties(package.unpack PROPERTIES FIXTURES_SETUP parlevox_package_root)

add_test(NAME package.contents COMMAND bash "${here}/contents.sh" "${deb}" "${PROJECT_VERSION}")
# Every warning fails the test as an error does. Informational tags are shown, and accepted:
#   binary-has-unneeded-section .comment   the compiler's name and version, as every Debian
#                                          program built outside debhelper carries it
#   spelling-error-in-binary exlude        the words of File -> Save's prompt, which stay as
#                                          players know them
add_test(NAME package.lintian
  COMMAND lintian --fail-on error,warning --display-info "${deb}")
add_test(NAME package.desktop-entry
  COMMAND desktop-file-validate "${root}/usr/share/applications/parlevox.desktop")
add_test(NAME package.metainfo
  COMMAND appstreamcli validate --no-net --pedantic
    "${root}/usr/share/metainfo/io.github.parlevox.parlevox.metainfo.xml")
add_test(NAME package.version COMMAND "${root}/usr/bin/parlevox" --version)
set_tests_properties(package.version PROPERTIES
  PASS_REGULAR_EXPRESSION "^parlevox ${PROJECT_VERSION}\n$")
# The example the package ships replays as the bundled demo does.
add_test(NAME package.replay
  COMMAND ${CMAKE_COMMAND} -DPARLEVOX=${root}/usr/bin/parlevox
    -DTRANSCRIPT=${root}/usr/share/doc/parlevox/examples/demo.txt
    -DEXPECTED=${PROJECT_SOURCE_DIR}/tests/app/replay/demo.expected
    -P ${PROJECT_SOURCE_DIR}/tests/app/replay/run_replay.cmake)
add_test(NAME package.data-folder
  COMMAND xvfb-run -a -s "-screen 0 1024x768x24" bash "${here}/data-folder.sh" "${root}")
set_tests_properties(package.data-folder PROPERTIES TIMEOUT 300 RESOURCE_LOCK parlevox_xvfb)

set_tests_properties(package.unpack package.contents package.lintian package.desktop-entry
  package.metainfo package.version package.replay package.data-folder PROPERTIES LABELS package)
set_tests_properties(package.desktop-entry package.metainfo package.version package.replay
  package.data-folder PROPERTIES FIXTURES_REQUIRED parlevox_package_root)

# The Windows side of the tests, built by the cross build (included when WIN32): GoogleTest from
# Debian's sources with the same toolchain, the Win32 practice console, and the test programs
# that drive the real user32 and kernel32 calls. They run under Wine, registered by the native
# build (tests/console/extra.cmake) from the list this file writes.
#
# Everything lands in <build>/wine-tests: a test program finds the practice console beside
# itself, and the native build finds both there.

set(PARLEVOX_GOOGLETEST_SOURCE_DIR "/usr/src/googletest"
    CACHE PATH "GoogleTest sources to build with the cross toolchain (Debian's googletest)")

if(NOT EXISTS "${PARLEVOX_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
  message(STATUS "No GoogleTest sources in ${PARLEVOX_GOOGLETEST_SOURCE_DIR}: "
                 "the Windows test programs are not built")
  return()
endif()

# GoogleTest is a guest: its own warnings stay its own (SYSTEM), nothing of it is installed, and
# only what a test program links is built.
set(INSTALL_GTEST OFF)
set(BUILD_GMOCK ON)
add_subdirectory("${PARLEVOX_GOOGLETEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest"
                 EXCLUDE_FROM_ALL SYSTEM)

set(PARLEVOX_WINE_TESTS_DIR "${CMAKE_BINARY_DIR}/wine-tests")
set(PARLEVOX_WINE_MANIFEST "${PARLEVOX_WINE_TESTS_DIR}/wine-tests.cmake")

# The practice game in real Win32 windows, shaped like the game's. A test tool: never shipped.
add_executable(win32-practice-console WIN32
  tools/win32-practice-console/main.cpp
  tools/win32-practice-console/RetailGame.cpp
  tools/win32-practice-console/Win32PracticeConsole.cpp
)
target_include_directories(win32-practice-console PRIVATE "${PROJECT_SOURCE_DIR}/tools")
target_link_libraries(win32-practice-console PRIVATE parlevox_core user32 kernel32 shell32)
set_target_properties(win32-practice-console PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY "${PARLEVOX_WINE_TESTS_DIR}")

# The list for the native build, made up by the test programs below and written at the end.
set(PARLEVOX_WINE_MANIFEST_TEXT
  "# Written by cmake/windows-tests.cmake: the Windows test programs and their suites.\n")

# A GoogleTest program run under Wine. Each listed suite becomes one ctest entry of the native
# build; one more entry runs whatever suite the list forgot, so a new suite is never skipped.
# KIND gui: the suites drive the real parlevox.exe of the release zip (ctest label wine-gui).
# KIND retail and retail-gui: the same two kinds beside the console run as the retail game runs it
# (ctest label retail). LOCALE_SUITES (retail-gui): suites run once in each of the test locales,
# Wine's ANSI code page following it.
function(parlevox_wine_test target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "KIND" "SOURCES;SUITES;LOCALE_SUITES")
  add_executable(${target} ${ARG_SOURCES})
  target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}/tests"
                                               "${PROJECT_SOURCE_DIR}/tools")
  target_link_libraries(${target} PRIVATE parlevox_system gtest_main gmock)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${PARLEVOX_WINE_TESTS_DIR}")
  # The practice console must be there whenever a test program is.
  add_dependencies(${target} win32-practice-console)
  string(JOIN " " suites ${ARG_SUITES})
  if(ARG_KIND STREQUAL "gui")
    string(APPEND PARLEVOX_WINE_MANIFEST_TEXT
      "parlevox_wine_gui_suites(${target}.exe ${suites})\n")
  elseif(ARG_KIND STREQUAL "retail")
    string(APPEND PARLEVOX_WINE_MANIFEST_TEXT
      "parlevox_retail_suites(${target}.exe ${suites})\n")
  elseif(ARG_KIND STREQUAL "retail-gui")
    string(APPEND PARLEVOX_WINE_MANIFEST_TEXT
      "parlevox_retail_gui_suites(${target}.exe ${suites})\n")
    foreach(suite IN LISTS ARG_LOCALE_SUITES)
      string(APPEND PARLEVOX_WINE_MANIFEST_TEXT
        "parlevox_retail_gui_locale_suite(${target}.exe ${suite})\n")
    endforeach()
  else()
    string(APPEND PARLEVOX_WINE_MANIFEST_TEXT "parlevox_wine_suites(${target}.exe ${suites})\n")
  endif()
  set(PARLEVOX_WINE_MANIFEST_TEXT "${PARLEVOX_WINE_MANIFEST_TEXT}" PARENT_SCOPE)
endfunction()

parlevox_wine_test(parlevox_wine_tests
  SOURCES
    tests/support/CoreRig.cpp
    tests/wine/PracticeConsoleProcess.cpp
    tests/wine/RecordingWindowSystem.cpp
    tests/wine/BridgeUnderWineTest.cpp
    tests/wine/GameWindowUnderWineTest.cpp
    tests/wine/OsVersionUnderWineTest.cpp
    tests/wine/WatcherUnderWineTest.cpp
  SUITES
    ConsoleWindowUnderWine
    TypingUnderWine
    ReadingUnderWine
    LogChangesUnderWine
    ConsoleClosingUnderWine
    BackToGameUnderWine
    TaskbarUnderWine
    OsVersionUnderWine
    WatchCycleUnderWine
    RepliesUnderWine
    MiniUnderWine
)

# The DirectShow back end playing real files; Wine's sound goes to a null device that keeps
# real time (scripts/run-wine-test.sh).
parlevox_wine_test(parlevox_wine_media_tests
  SOURCES
    tests/wine/DShowMediaBackEndUnderWineTest.cpp
  SUITES
    DShowOpeningUnderWine
    DShowPlayingUnderWine
    DShowComUnderWine
)
target_link_libraries(parlevox_wine_media_tests PRIVATE parlevox_dshow)

# The real parlevox.exe from the release zip, steered from outside with the mouse and keyboard
# beside the practice console. The program is not linked in: it is run, as a player runs it.
parlevox_wine_test(parlevox_wine_gui_tests
  KIND gui
  SOURCES
    tests/wine/PracticeConsoleProcess.cpp
    tests/wine-gui/ParlevoxProcess.cpp
    tests/wine-gui/ParlevoxUnderWineTest.cpp
  SUITES
    ProgramFileUnderWine
    ParlevoxStartUnderWine
    ParlevoxRepliesUnderWine
    ParlevoxMusicUnderWine
    ParlevoxMediaKeysUnderWine
    ParlevoxMiniUnderWine
    ParlevoxConsoleUnderWine
    ParlevoxFileMenuUnderWine
)
# The version the program file must carry; GetFileVersionInfoW comes from version.dll.
target_compile_definitions(parlevox_wine_gui_tests PRIVATE PARLEVOX_VERSION="${PROJECT_VERSION}")
target_link_libraries(parlevox_wine_gui_tests PRIVATE version)

# The program's behaviour beside the console as the retail game runs it: through the core over
# the real user32 calls, and as the real parlevox.exe of the release zip.
parlevox_wine_test(parlevox_retail_tests
  KIND retail
  SOURCES
    tests/support/CoreRig.cpp
    tests/wine/PracticeConsoleProcess.cpp
    tests/wine/RecordingWindowSystem.cpp
    tests/retail/RetailBridgeUnderWineTest.cpp
  SUITES
    RetailBridgeStartUnderWine
    RetailBridgeLongLinesUnderWine
    RetailBridgeFullLogUnderWine
    RetailBridgeStallUnderWine
)
parlevox_wine_test(parlevox_retail_gui_tests
  KIND retail-gui
  SOURCES
    tests/wine/PracticeConsoleProcess.cpp
    tests/wine-gui/ParlevoxProcess.cpp
    tests/retail/RetailProgramUnderWineTest.cpp
    tests/retail/RetailCodePageUnderWineTest.cpp
    tests/retail/RetailProtonUnderWineTest.cpp
  SUITES
    RetailProgramStartUnderWine
    RetailProgramLongLinesUnderWine
    RetailProgramDuelUnderWine
    RetailProgramMatchUnderWine
    RetailProgramTimingUnderWine
    RetailProgramCostUnderWine
    RetailProgramProtonUnderWine
  LOCALE_SUITES
    RetailCodePageUnderWine
)
# The README whose Proton commands a suite runs as written.
target_compile_definitions(parlevox_retail_gui_tests PRIVATE
  PARLEVOX_README="${PROJECT_SOURCE_DIR}/README.md")

# (Further test programs go above this line.) The list is touched only when it changes: the
# native build configures itself again whenever it is.
file(WRITE "${CMAKE_BINARY_DIR}/wine-tests.cmake.new" "${PARLEVOX_WINE_MANIFEST_TEXT}")
configure_file("${CMAKE_BINARY_DIR}/wine-tests.cmake.new" "${PARLEVOX_WINE_MANIFEST}" COPYONLY)

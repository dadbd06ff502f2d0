# The game reached through its standard streams. The test engine (tools/test-engine) stands in
# for the game's client on pipes: the child process and the whole program are driven through
# real pipes against it (label "game"). Real engines: Debian's ioquake3 dedicated server, of the
# game's family (label "engine"), and OpenJK's own (label "openjk").
add_executable(parlevox_test_engine ${PROJECT_SOURCE_DIR}/tools/test-engine/main.cpp)
target_link_libraries(parlevox_test_engine PRIVATE parlevox_options)

add_executable(parlevox_game_tests gui/gui_main.cpp
  platform/stdio/StdioGameTest.cpp
  platform/stdio/GameThroughPipesTest.cpp
)
target_link_libraries(parlevox_game_tests PRIVATE parlevox_app GTest::gtest)
target_compile_definitions(parlevox_game_tests PRIVATE
  PARLEVOX_TEST_ENGINE="$<TARGET_FILE:parlevox_test_engine>")
add_dependencies(parlevox_game_tests parlevox_test_engine)
target_include_directories(parlevox_game_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
gtest_discover_tests(parlevox_game_tests
  PROPERTIES LABELS game ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120
  DISCOVERY_TIMEOUT 30)

# A real engine's tests: the program against it through pipes, its path given as a define.
function(parlevox_real_engine_tests target source label define path)
  add_executable(${target} gui/gui_main.cpp ${source})
  target_link_libraries(${target} PRIVATE parlevox_app GTest::gtest)
  target_compile_definitions(${target} PRIVATE ${define}="${path}")
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  gtest_discover_tests(${target}
    PROPERTIES LABELS ${label} ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120
    DISCOVERY_TIMEOUT 30)
endfunction()

set(PARLEVOX_IOQ3DED "/usr/lib/ioquake3/ioq3ded" CACHE FILEPATH
  "The dedicated server of Debian's ioquake3-server, an engine of the game's family")
parlevox_real_engine_tests(parlevox_engine_tests platform/stdio/EngineTest.cpp engine
  PARLEVOX_IOQ3DED "${PARLEVOX_IOQ3DED}")

# OpenJK's own engine, the game's open-source one: its dedicated server where this machine has one
# (./test.sh passes the one PARLEVOX_OPENJKDED names or PATH holds). Without it the tests say so
# and are skipped.
set(PARLEVOX_OPENJKDED "" CACHE FILEPATH
  "OpenJK's dedicated server (openjkded.x86_64) installed on this machine; empty: none")
parlevox_real_engine_tests(parlevox_openjk_tests platform/stdio/OpenJkTest.cpp openjk
  PARLEVOX_OPENJKDED "${PARLEVOX_OPENJKDED}")

# The game's window on an X11 desktop, under Xvfb with a window manager (label "x11"). One
# ctest entry: the program brings up its window manager once for all its tests.
if(TARGET parlevox_x11)
  add_executable(parlevox_x11_tests gui/gui_main.cpp platform/x11/X11GameWindowTest.cpp)
  target_link_libraries(parlevox_x11_tests PRIVATE parlevox_app GTest::gtest)
  target_compile_definitions(parlevox_x11_tests PRIVATE
    PARLEVOX_TEST_ENGINE="$<TARGET_FILE:parlevox_test_engine>")
  add_dependencies(parlevox_x11_tests parlevox_test_engine)
  target_include_directories(parlevox_x11_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  add_test(NAME x11.game_window
    COMMAND xvfb-run -a -s "-screen 0 1024x768x24" $<TARGET_FILE:parlevox_x11_tests>)
  # One xvfb-run starting at a time: two may choose the same free display (see wine.cmake).
  set_tests_properties(x11.game_window PROPERTIES
    LABELS x11 ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 180 RESOURCE_LOCK parlevox_xvfb)

  # The program's own windows framed, placed and focused by the window manager.
  add_executable(parlevox_desktop_tests gui/gui_main.cpp platform/x11/DesktopWindowsTest.cpp)
  target_link_libraries(parlevox_desktop_tests PRIVATE parlevox_app GTest::gtest)
  target_include_directories(parlevox_desktop_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  add_test(NAME x11.desktop_windows
    COMMAND xvfb-run -a -s "-screen 0 1024x768x24" $<TARGET_FILE:parlevox_desktop_tests>)
  # The start on a larger screen, where the practice console has more room beside the main window.
  add_test(NAME x11.desktop_windows_1280x1024
    COMMAND xvfb-run -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:parlevox_desktop_tests>
      --gtest_filter=StartedAsRunShDoes.*)
  set_tests_properties(x11.desktop_windows x11.desktop_windows_1280x1024 PROPERTIES
    LABELS x11 ENVIRONMENT "QT_QPA_PLATFORM=xcb" TIMEOUT 180 RESOURCE_LOCK parlevox_xvfb)
endif()

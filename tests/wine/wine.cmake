# The Windows test programs of the cross build (cmake/windows-tests.cmake), run under Wine: the
# console bridge, the game's main window and the OS description through the real user32 and
# kernel32 calls. They run when PARLEVOX_WINDOWS_BUILD_DIR names a built cross build folder; the
# Wine prefix lives there and is made once, by the first entry, however often ctest runs.
set(PARLEVOX_WINDOWS_BUILD_DIR "" CACHE PATH
  "Built Windows cross build folder whose test programs ctest runs under Wine (empty: none)")
set(PARLEVOX_WINDOWS_ZIP "" CACHE FILEPATH
  "The Windows release zip (scripts/package-windows.sh) whose parlevox.exe the wine-gui tests run (empty: none)")

if(PARLEVOX_WINDOWS_BUILD_DIR)
  set(wine_runner "${PROJECT_SOURCE_DIR}/scripts/run-wine-test.sh")
  set(wine_prefix "${PARLEVOX_WINDOWS_BUILD_DIR}/wine-prefix")
  set(wine_programs "${PARLEVOX_WINDOWS_BUILD_DIR}/wine-tests")
  set(wine_manifest "${wine_programs}/wine-tests.cmake")

  add_test(NAME wine.prefix COMMAND bash "${wine_runner}" --prepare "${wine_prefix}")
  set_tests_properties(wine.prefix PROPERTIES
    LABELS wine FIXTURES_SETUP parlevox_wine_prefix TIMEOUT 400)

  # One entry per suite, all in turn: the practice console's windows are found by title and
  # class in the one Wine session of the prefix, so two tests at once would see each other's.
  function(parlevox_wine_suites program)
    set(listed)
    foreach(suite IN LISTS ARGN)
      add_test(NAME wine.${suite}
        COMMAND bash "${wine_runner}" "${wine_prefix}" "${wine_programs}/${program}"
          --gtest_filter=${suite}.*)
      list(APPEND listed "${suite}.*")
      set_tests_properties(wine.${suite} PROPERTIES
        LABELS wine FIXTURES_REQUIRED parlevox_wine_prefix RESOURCE_LOCK "parlevox_wine;parlevox_xvfb" TIMEOUT 120)
    endforeach()
    # Whatever suite the list does not name still runs.
    get_filename_component(name "${program}" NAME_WE)
    list(JOIN listed ":" excluded)
    add_test(NAME wine.${name}.unlisted
      COMMAND bash "${wine_runner}" "${wine_prefix}" "${wine_programs}/${program}"
        --gtest_filter=-${excluded})
    set_tests_properties(wine.${name}.unlisted PROPERTIES
      LABELS wine FIXTURES_REQUIRED parlevox_wine_prefix RESOURCE_LOCK "parlevox_wine;parlevox_xvfb" TIMEOUT 120)
  endfunction()

  # The suites that drive the real parlevox.exe: registered only with a release zip to take it
  # from, which one entry unzips, afresh on every run, into a folder of its own whose name goes
  # beyond ASCII.
  function(parlevox_wine_gui_unzip app_parent)
    if(NOT TEST wine-gui.unzip)
      add_test(NAME wine-gui.unzip
        COMMAND ${CMAKE_COMMAND} -DZIP=${PARLEVOX_WINDOWS_ZIP} -DPARENT=${app_parent}
          -P "${PROJECT_SOURCE_DIR}/tests/wine-gui/unzip.cmake")
      set_tests_properties(wine-gui.unzip PROPERTIES
        LABELS "wine-gui;retail" FIXTURES_SETUP parlevox_wine_gui_app
        RESOURCE_LOCK "parlevox_wine;parlevox_xvfb")
    endif()
  endfunction()

  function(parlevox_wine_gui_suites program)
    if(NOT PARLEVOX_WINDOWS_ZIP)
      return()
    endif()
    set(app_parent "${CMAKE_BINARY_DIR}/wine-gui")
    parlevox_wine_gui_unzip("${app_parent}")
    foreach(suite IN LISTS ARGN)
      add_test(NAME wine-gui.${suite}
        COMMAND bash "${wine_runner}" "${wine_prefix}" "${wine_programs}/${program}"
          --gtest_filter=${suite}.*)
      set_tests_properties(wine-gui.${suite} PROPERTIES
        LABELS wine-gui
        ENVIRONMENT "PARLEVOX_WINDOWS_APP_PARENT=${app_parent};PARLEVOX_WINE_TIMEOUT=240"
        FIXTURES_REQUIRED "parlevox_wine_prefix;parlevox_wine_gui_app"
        RESOURCE_LOCK "parlevox_wine;parlevox_xvfb" TIMEOUT 300)
    endforeach()
  endfunction()

  # The suites beside the console run as the retail game runs it (label retail): the core's
  # ones whenever the cross build is there, the program's from the zip only with a release zip.
  # Their cases wait for the game in real time (a 15 s greeting gate, a 4 s stall).
  function(parlevox_retail_suites program)
    foreach(suite IN LISTS ARGN)
      add_test(NAME retail.${suite}
        COMMAND bash "${wine_runner}" "${wine_prefix}" "${wine_programs}/${program}"
          --gtest_filter=${suite}.*)
      set_tests_properties(retail.${suite} PROPERTIES
        LABELS retail ENVIRONMENT "PARLEVOX_WINE_TIMEOUT=400"
        FIXTURES_REQUIRED parlevox_wine_prefix RESOURCE_LOCK "parlevox_wine;parlevox_xvfb"
        TIMEOUT 450)
    endforeach()
  endfunction()

  function(parlevox_retail_gui_suites program)
    if(NOT PARLEVOX_WINDOWS_ZIP)
      return()
    endif()
    set(app_parent "${CMAKE_BINARY_DIR}/wine-gui")
    parlevox_wine_gui_unzip("${app_parent}")
    foreach(suite IN LISTS ARGN)
      add_test(NAME retail.${suite}
        COMMAND bash "${wine_runner}" "${wine_prefix}" "${wine_programs}/${program}"
          --gtest_filter=${suite}.*)
      set_tests_properties(retail.${suite} PROPERTIES
        LABELS retail
        ENVIRONMENT "PARLEVOX_WINDOWS_APP_PARENT=${app_parent};PARLEVOX_WINE_TIMEOUT=400"
        FIXTURES_REQUIRED "parlevox_wine_prefix;parlevox_wine_gui_app"
        RESOURCE_LOCK "parlevox_wine;parlevox_xvfb" TIMEOUT 450)
      # A suite that times the program's answers runs alone: two cores shared with other test
      # programs would time the machine, not the program.
      if(suite MATCHES "Timing")
        set_tests_properties(retail.${suite} PROPERTIES RUN_SERIAL TRUE)
      endif()
    endforeach()
  endfunction()

  # A suite run once in each locale whose code page the tests try: Wine takes a program's ANSI
  # code page from LANG (test.sh makes the locales the machine lacks).
  function(parlevox_retail_gui_locale_suite program suite)
    if(NOT PARLEVOX_WINDOWS_ZIP)
      return()
    endif()
    set(app_parent "${CMAKE_BINARY_DIR}/wine-gui")
    parlevox_wine_gui_unzip("${app_parent}")
    foreach(locale IN ITEMS C.UTF-8 pl_PL.UTF-8 ru_RU.UTF-8)
      add_test(NAME retail.${suite}.${locale}
        COMMAND bash "${wine_runner}" "${wine_prefix}" "${wine_programs}/${program}"
          --gtest_filter=${suite}.*)
      set_tests_properties(retail.${suite}.${locale} PROPERTIES
        LABELS retail
        ENVIRONMENT "LANG=${locale};PARLEVOX_WINDOWS_APP_PARENT=${app_parent};PARLEVOX_WINE_TIMEOUT=400"
        FIXTURES_REQUIRED "parlevox_wine_prefix;parlevox_wine_gui_app"
        RESOURCE_LOCK "parlevox_wine;parlevox_xvfb" TIMEOUT 450)
    endforeach()
  endfunction()

  if(EXISTS "${wine_manifest}")
    include("${wine_manifest}")
    # The cross build rewrites its list whenever it is configured; this build follows.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${wine_manifest}")
  else()
    add_test(NAME wine.missing COMMAND ${CMAKE_COMMAND} -E false)
    set_tests_properties(wine.missing PROPERTIES LABELS wine)
    message(WARNING "PARLEVOX_WINDOWS_BUILD_DIR is set, but ${wine_manifest} does not exist: "
                    "configure and build the Windows cross build first")
  endif()
endif()

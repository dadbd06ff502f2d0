# Replay transcripts: every tests/replay/NAME.txt runs headless and its output must equal
# NAME.expected (or, for a transcript that must be refused, NAME.err). A folder
# tests/replay/NAME.saves, when present, is copied in as the program folder first.
file(GLOB transcripts CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/replay/*.txt")
foreach(transcript IN LISTS transcripts)
  get_filename_component(name "${transcript}" NAME_WE)
  get_filename_component(dir "${transcript}" DIRECTORY)
  set(expected "${dir}/${name}.expected")
  if(NOT EXISTS "${expected}")
    set(expected "${dir}/${name}.err")
  endif()
  # Without a seed the replay makes (and removes) a temporary program folder of its own.
  set(folder)
  if(EXISTS "${dir}/${name}.saves")
    set(folder -DFOLDER=${CMAKE_CURRENT_BINARY_DIR}/replay-folders/${name}
      -DSEED=${dir}/${name}.saves)
  endif()
  add_test(NAME replay.${name}
    COMMAND ${CMAKE_COMMAND} -DPARLEVOX=$<TARGET_FILE:parlevox> -DTRANSCRIPT=${transcript}
      -DEXPECTED=${expected} ${folder} -P ${CMAKE_CURRENT_LIST_DIR}/replay/run_replay.cmake)
  set_tests_properties(replay.${name} PROPERTIES LABELS replay)
endforeach()

# The bundled demo session replays as documented.
add_test(NAME replay.demo
  COMMAND ${CMAKE_COMMAND} -DPARLEVOX=$<TARGET_FILE:parlevox>
    -DTRANSCRIPT=${PROJECT_SOURCE_DIR}/examples/demo.txt
    -DEXPECTED=${CMAKE_CURRENT_LIST_DIR}/replay/demo.expected
    -P ${CMAKE_CURRENT_LIST_DIR}/replay/run_replay.cmake)
set_tests_properties(replay.demo PROPERTIES LABELS replay)

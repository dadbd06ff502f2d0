# Runs one replay transcript and compares what the program printed with the expected output.
#   -DPARLEVOX=<program> -DTRANSCRIPT=<name.txt> -DEXPECTED=<name.expected> [-DFOLDER=<dir>]
# The OS description in the status line depends on the machine; it is compared as "<os>": Windows
# by platform and build ("Windows 8.1 - 9600", "Windows 8.1 Build 9600"), any other system by name
# and kernel version ("Linux 6.1.0").
# A transcript whose expected file is name.err must fail with status 2 and print that on stderr.
set(args --replay "${TRANSCRIPT}")
if(DEFINED FOLDER)
  file(REMOVE_RECURSE "${FOLDER}")
  file(MAKE_DIRECTORY "${FOLDER}")
  list(APPEND args --folder "${FOLDER}")
  if(DEFINED SEED AND EXISTS "${SEED}")
    file(COPY "${SEED}/" DESTINATION "${FOLDER}")
  endif()
endif()
execute_process(COMMAND "${PARLEVOX}" ${args}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)

set(windows "Windows [0-9A-Za-z.]+( [0-9.]+)?")
set(other "[A-Za-z][A-Za-z0-9_/-]*( [0-9][0-9.]*)?")
string(REGEX REPLACE "\\[status\\] \\[ (${windows} - -?[0-9]+|${other}) \\]" "[status] [ <os> ]"
  out "${out}")
string(REGEX REPLACE "OS: (${windows} Build -?[0-9]+|${other}) \\]" "OS: <os> ]" out "${out}")

if(EXPECTED MATCHES "\\.err$")
  file(READ "${EXPECTED}" want)
  string(REPLACE "${TRANSCRIPT}" "TRANSCRIPT" err "${err}")
  if(NOT status EQUAL 2 OR NOT err STREQUAL want OR NOT out STREQUAL "")
    message(FATAL_ERROR "expected status 2 and stderr:\n${want}\ngot status ${status}, stderr:\n${err}\nstdout:\n${out}")
  endif()
  return()
endif()

if(NOT status EQUAL 0)
  message(FATAL_ERROR "replay failed with status ${status}:\n${err}")
endif()
file(READ "${EXPECTED}" want)
if(NOT out STREQUAL want)
  get_filename_component(name "${TRANSCRIPT}" NAME_WE)
  set(got "${CMAKE_CURRENT_BINARY_DIR}/${name}.got")
  file(WRITE "${got}" "${out}")
  execute_process(COMMAND diff -u "${EXPECTED}" "${got}" OUTPUT_VARIABLE diff)
  message(FATAL_ERROR "replay output differs from ${EXPECTED} (written to ${got}):\n${diff}")
endif()

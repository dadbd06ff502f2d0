# The desktop's media controls (MPRIS): the program on a session bus of its own, driven by
# playerctl and gdbus as a desktop drives it, and the program without a bus (label "mpris").
find_program(PARLEVOX_DBUS_RUN_SESSION dbus-run-session)
add_test(NAME mpris.program
  COMMAND ${PARLEVOX_DBUS_RUN_SESSION} -- bash "${CMAKE_CURRENT_LIST_DIR}/program.sh"
    $<TARGET_FILE:parlevox>)
add_test(NAME mpris.no_session_bus
  COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/no-bus.sh" $<TARGET_FILE:parlevox>)
set_tests_properties(mpris.program mpris.no_session_bus PROPERTIES LABELS mpris TIMEOUT 180)

# Message set, editor, message-set file.
list(APPEND PARLEVOX_CORE_SOURCES
)
list(APPEND PARLEVOX_GUI_SOURCES
  src/messages/mnuCustomize.cpp
)

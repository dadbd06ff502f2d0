# Message set, editor, message-set file.
list(APPEND PARLEVOX_CORE_SOURCES
  src/messages/MessageEditor.cpp
  src/messages/MessageSet.cpp
  src/messages/MessageSetFile.cpp
)
list(APPEND PARLEVOX_GUI_SOURCES
  src/messages/mnuCustomize.cpp
)

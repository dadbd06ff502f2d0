# Watch cycle, game-event replies, chat commands.
list(APPEND PARLEVOX_CORE_SOURCES
  src/watcher/CommandChain.cpp
  src/watcher/ConsoleLines.cpp
  src/watcher/GameEventReplies.cpp
  src/watcher/MusicChatCommands.cpp
  src/watcher/WatchCycle.cpp
)

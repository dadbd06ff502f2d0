#pragma once

#include <memory>

#include "core/console/Typist.h"

namespace pvx {

// Types into the game from a thread of its own, so that the program's windows never wait for a
// game that handles no message (it loads a map): the walks run one after the other, each once,
// in the order handed over, through a window system that waits for every answer. After each
// line typed the thread pauses a moment: the game reads the lines typed into its console once it
// has handled the messages waiting for it, and lines typed before it reads arrive joined in one
// read (the second of them then runs with a leading slash, as a command the server does not know).
// Chat reaches the server no sooner than kChatGapMs after the chat before it, also when a game
// that handled no message for a while takes several lines at once.
class Win32TypingThread final : public Typist {
 public:
  static constexpr unsigned kSettleMs = 20;
  static constexpr unsigned kChatGapMs = 1200;

  Win32TypingThread();
  // Walks not yet begun are dropped; one blocked in a message to a game that does not answer is
  // waited for a moment, then left to end with the process.
  ~Win32TypingThread() override;
  Win32TypingThread(const Win32TypingThread&) = delete;
  Win32TypingThread& operator=(const Win32TypingThread&) = delete;

  void type(Walk walk, Kind kind) override;
  bool idle() override;

 private:
  // What the thread shares with its owner; it may outlive the owner.
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace pvx

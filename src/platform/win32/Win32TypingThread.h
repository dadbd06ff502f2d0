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
// It types each walk when it is handed over; how far apart chat goes is the console bridge's
// to decide, which it does on the program's clock from when the thread says the chat arrived.
class Win32TypingThread final : public Typist {
 public:
  static constexpr unsigned kSettleMs = 20;

  Win32TypingThread();
  // Walks not yet begun are dropped; one blocked in a message to a game that does not answer is
  // waited for a moment, then left to end with the process.
  ~Win32TypingThread() override;
  Win32TypingThread(const Win32TypingThread&) = delete;
  Win32TypingThread& operator=(const Win32TypingThread&) = delete;

  void type(Walk walk, Kind kind) override;
  bool idle() override;
  std::optional<std::int64_t> chatTypedAgoMs() override;

 private:
  // What the thread shares with its owner; it may outlive the owner.
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace pvx

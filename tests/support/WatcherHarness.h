#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/CoreRig.h"

namespace pvx::testing {

// The program's behaviour against the practice game on virtual time, with fake windows, as a
// test fixture: what the game receives is read back from the commands entered in its input line.
class WatcherHarness : public ::testing::Test, public PracticeRig {
 protected:
  // music: a stand-in for the player's music commands; typist: where the typing runs (null: at
  // once).
  explicit WatcherHarness(MusicCommands* music = nullptr, Typist* typist = nullptr)
      : PracticeRig(Options{.standIns = {.music = music}}, typist) {}

  // Start-up, then the first cycles until the name is known: a quiet, known starting point.
  void startKnowingName() {
    ASSERT_TRUE(PracticeRig::startKnowingName());
    typed.clear();
  }

  const MessageSet& messageSet() { return core().messages().current(); }
  // Changes one message of the set in use, as the editor would.
  void setText(MessageKind kind, const std::string& text) {
    Message m = core().messages().message(kind);
    m.text = text;
    core().messages().setMessage(kind, m);
  }
  void setFlag(MessageKind kind, std::uint8_t enabled) {
    Message m = core().messages().message(kind);
    m.enabled = enabled;
    core().messages().setMessage(kind, m);
  }
};

}  // namespace pvx::testing

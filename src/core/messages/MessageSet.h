#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/windows/DuelText.h"

namespace pvx {

// Which reply message, in the order of the "Customize Messages" menu.
enum class MessageKind { Greeting = 0, SelfKill = 1, OwnEntry = 2, Limit = 3 };

// One reply message and its enabled flag, an 8-bit number as the message-set file stores it.
struct Message {
  std::string text;
  std::uint8_t enabled = 0;
  // A message is typed only when its flag is exactly 1.
  bool on() const { return enabled == 1; }
  bool operator==(const Message&) const = default;
};

// A message set: the four reply messages with their flags and the three duel templates. Empty at
// every start; loaded from and saved to message-set files.
struct MessageSet {
  Message greeting;  // another player entered: "%d" is the entering player
  Message selfKill;  // the local player killed himself
  Message ownEntry;  // the local player entered the game
  Message limit;     // the time or kill limit of the match was hit
  std::string duelEngage, duelWon, duelLost;

  Message& message(MessageKind kind);
  const Message& message(MessageKind kind) const;
  std::string& duel(DuelText which);
  const std::string& duel(DuelText which) const;
  bool operator==(const MessageSet&) const = default;
};

// The message set in use. The replies read it; the message-set file, the message editor and the
// main window's duel boxes change it. Whoever shows the duel templates is told of every change,
// so the main window always shows what the replies will use.
class Messages {
 public:
  const MessageSet& current() const { return set_; }
  const Message& message(MessageKind kind) const { return set_.message(kind); }
  const std::string& duel(DuelText which) const { return set_.duel(which); }

  void setMessage(MessageKind kind, Message message) { set_.message(kind) = std::move(message); }
  void setDuel(DuelText which, std::string text);
  void replace(const MessageSet& set);

  // Called with each duel template that changed.
  void setDuelListener(std::function<void(DuelText, const std::string&)> listener) {
    duelListener_ = std::move(listener);
  }

 private:
  MessageSet set_;
  std::function<void(DuelText, const std::string&)> duelListener_;
};

}  // namespace pvx

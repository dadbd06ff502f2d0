#include "core/messages/MessageSet.h"

namespace pvx {

Message& MessageSet::message(MessageKind kind) {
  switch (kind) {
    case MessageKind::Greeting:
      return greeting;
    case MessageKind::SelfKill:
      return selfKill;
    case MessageKind::OwnEntry:
      return ownEntry;
    case MessageKind::Limit:
      break;
  }
  return limit;
}

const Message& MessageSet::message(MessageKind kind) const {
  return const_cast<MessageSet&>(*this).message(kind);
}

std::string& MessageSet::duel(DuelText which) {
  switch (which) {
    case DuelText::Engage:
      return duelEngage;
    case DuelText::Won:
      return duelWon;
    case DuelText::Lost:
      break;
  }
  return duelLost;
}

const std::string& MessageSet::duel(DuelText which) const {
  return const_cast<MessageSet&>(*this).duel(which);
}

void Messages::setDuel(DuelText which, std::string text) {
  std::string& duel = set_.duel(which);
  if (duel == text)
    return;
  duel = std::move(text);
  if (duelListener_)
    duelListener_(which, duel);
}

void Messages::replace(const MessageSet& set) {
  for (const DuelText which : {DuelText::Engage, DuelText::Won, DuelText::Lost})
    setDuel(which, set.duel(which));
  for (const MessageKind kind :
       {MessageKind::Greeting, MessageKind::SelfKill, MessageKind::OwnEntry, MessageKind::Limit})
    setMessage(kind, set.message(kind));
}

}  // namespace pvx

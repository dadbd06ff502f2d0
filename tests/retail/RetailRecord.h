#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "wine/PracticeConsoleProcess.h"

// What the retail tests read in the practice console's record, and the texts they play with.
namespace pvx::testing::retail {

using Event = PracticeConsoleProcess::Event;
using Events = std::vector<Event>;

// How the game runs its console window: shown (the player set viewlog) or hidden; shown by a
// game that renders whole frames and so pumps its messages only twice a frame; hidden, its log
// telling each change of its text as Windows' edit control does.
enum class Console { Shown, Hidden, RenderBound, HiddenTelling };

inline std::string nameOf(const ::testing::TestParamInfo<Console>& info) {
  switch (info.param) {
    case Console::Shown:
      return "Shown";
    case Console::Hidden:
      return "Hidden";
    case Console::RenderBound:
      return "RenderBound";
    case Console::HiddenTelling:
      return "HiddenTelling";
  }
  return "Unknown";
}

inline std::vector<std::string> consoleArguments(Console console, std::vector<std::string> args) {
  if (console == Console::Hidden || console == Console::HiddenTelling)
    args.emplace_back("--hidden");
  if (console == Console::HiddenTelling)
    args.emplace_back("--tell-changes");
  if (console == Console::RenderBound)
    args.emplace_back("--render-bound");
  return args;
}

// A whole number from the environment (bench.sh sets some), or the default.
inline long fromEnvironment(const char* name, long byDefault) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::strtol(value, nullptr, 10) : byDefault;
}

// The events of one kind from the moment fromMs on.
inline Events eventsOf(const Events& events, const std::string& kind, std::int64_t fromMs = 0) {
  Events out;
  for (const Event& e : events) {
    if (e.event == kind && e.ms >= fromMs)
      out.push_back(e);
  }
  return out;
}

// The lines entered from fromMs on, as the game took them (the length is the record's first
// word).
inline std::vector<std::string> entered(const Events& events, std::int64_t fromMs = 0) {
  std::vector<std::string> out;
  for (const Event& e : eventsOf(events, "enter", fromMs))
    out.push_back(e.details.substr(e.details.find(' ') + 1));
  return out;
}

inline std::size_t longestEntered(const Events& events) {
  std::size_t longest = 0;
  for (const std::string& line : entered(events))
    longest = std::max(longest, line.size());
  return longest;
}

// The first event of a kind whose details begin with the text, or null.
inline const Event* first(const Events& events, const std::string& kind, const std::string& text,
                          std::int64_t fromMs = 0) {
  for (const Event& e : events) {
    if (e.event == kind && e.ms >= fromMs && e.details.rfind(text, 0) == 0)
      return &e;
  }
  return nullptr;
}

// The moment of the stall's end, or -1.
inline std::int64_t stallEnd(const Events& events) {
  for (const Event& e : events) {
    if (e.event == "stall" && e.details.rfind("end ", 0) == 0)
      return e.ms;
  }
  return -1;
}

// A figure the closing note needs, on a line of its own in the test's output.
inline void figure(const std::string& text) {
  std::cout << "[figure] " << text << std::endl;
  ::testing::Test::RecordProperty("figure", text);
}

// Words of ordinary chat, repeated to the length asked (characters, ASCII).
inline std::string words(std::size_t length) {
  static const std::string kText =
      "May the Force be with you, always and everywhere, young one; train hard, duel fair and "
      "never give in to the dark side of the Force, for fear leads to anger and anger leads to "
      "hate. ";
  std::string out;
  while (out.size() < length)
    out += kText;
  out.resize(length);
  if (out.back() == ' ')
    out.back() = '.';
  return out;
}

// A message set file with these duel and greeting templates (ASCII), as the editor saves one.
inline std::string messageSet(const std::string& engage, const std::string& won,
                              const std::string& greeting) {
  return "Parlevocs [ZB] Vendrix\r\n" + engage + "\r\n" + won + "\r\n%d beat %s\r\n" + greeting +
         "\r\n 1 \r\n\r\n 0 \r\n\r\n 0 \r\n\r\n 0 \r\n";
}

// Ordinary titles, long ones (as music files are often named): four to a !listsongs line make
// a line far longer than the game takes.
inline std::vector<std::string> longTitles() {
  std::vector<std::string> titles;
  for (int i = 1; i <= 10; ++i) {
    titles.push_back("Track " + std::to_string(i) +
                     " - The Imperial Symphony Orchestra - Duel of the Fates (Extended Mix)");
  }
  return titles;
}

}  // namespace pvx::testing::retail

#include "app/ReplayScript.h"

#include <charconv>
#include <cmath>

#include "core/text/Text.h"

namespace pvx {

namespace {

// Splits "word rest" at the first blank; rest keeps its own blanks.
std::pair<std::string, std::string> firstWord(const std::string& s) {
  const std::size_t blank = s.find(' ');
  if (blank == std::string::npos)
    return {s, ""};
  return {s.substr(0, blank), s.substr(blank + 1)};
}

std::optional<double> decimal(const std::string& s) {
  double value = 0;
  const char* end = s.data() + s.size();
  const auto [ptr, ec] = std::from_chars(s.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value) || value < 0)
    return std::nullopt;
  return value;
}

bool oneOf(const std::string& s, std::initializer_list<const char*> choices) {
  for (const char* c : choices) {
    if (s == c)
      return true;
  }
  return false;
}

}  // namespace

std::optional<ReplayScript> ReplayScript::parse(std::istream& in, std::string& error) {
  ReplayScript script;
  bool inScene = true;
  bool inBatch = false;
  std::string raw;
  int lineNo = 0;

  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(lineNo) + ": " + why;
    return std::nullopt;
  };

  while (std::getline(in, raw)) {
    ++lineNo;
    if (!raw.empty() && raw.back() == '\r')
      raw.pop_back();
    const std::string line = text::fromFileLine(raw);
    if (line.empty()) {
      inBatch = false;
      continue;
    }
    if (line.front() == '#')
      continue;
    if (line.front() != '@') {
      if (!inBatch) {
        ReplayStep step;
        step.kind = ReplayStep::Kind::Batch;
        step.line = lineNo;
        script.steps.push_back(step);
        inBatch = true;
      }
      script.steps.back().lines.push_back(line);
      inScene = false;
      continue;
    }

    inBatch = false;
    const auto [directive, rest] = firstWord(line);
    ReplayStep step;
    step.line = lineNo;
    if (directive == "@player") {
      if (!inScene)
        return fail("@player belongs before the first text line and @after");
      if (rest.empty())
        return fail("@player needs a name");
      script.player = rest;
    } else if (directive == "@colours") {
      if (!inScene)
        return fail("@colours belongs before the first text line and @after");
      if (rest != "keep")
        return fail("@colours takes: keep");
      script.keepColours = true;
    } else if (directive == "@track") {
      if (!inScene)
        return fail("@track belongs before the first text line and @after");
      const std::size_t blank = rest.rfind(' ');
      if (blank == std::string::npos || blank == 0)
        return fail("@track takes: NAME SECONDS|fail");
      ReplayTrack track;
      track.title = rest.substr(0, blank);
      const std::string length = rest.substr(blank + 1);
      if (length == "fail") {
        track.fails = true;
      } else if (const auto s = decimal(length)) {
        track.seconds = *s;
      } else {
        return fail("@track takes: NAME SECONDS|fail");
      }
      script.tracks.push_back(track);
    } else if (directive == "@game") {
      if (rest != "on" && rest != "off")
        return fail("@game takes: on|off");
      if (inScene) {
        script.gameRunning = rest == "on";
      } else {
        step.kind = ReplayStep::Kind::Game;
        step.on = rest == "on";
        script.steps.push_back(step);
      }
    } else if (directive == "@message" || directive == "@duel") {
      const bool message = directive == "@message";
      const auto [which, afterWhich] = firstWord(rest);
      if (message ? !oneOf(which, {"greeting", "death", "enter", "limit"})
                  : !oneOf(which, {"engage", "won", "lost"})) {
        return fail(message ? "@message takes: greeting|death|enter|limit on|off TEXT"
                            : "@duel takes: engage|won|lost TEXT");
      }
      step.kind = message ? ReplayStep::Kind::Message : ReplayStep::Kind::Duel;
      step.which = which;
      step.text = afterWhich;
      if (message) {
        const auto [flag, messageText] = firstWord(afterWhich);
        if (flag != "on" && flag != "off") {
          return fail("@message takes: greeting|death|enter|limit on|off TEXT");
        }
        step.on = flag == "on";
        step.text = messageText;
      }
      (inScene ? script.scene : script.steps).push_back(step);
    } else if (directive == "@after") {
      const auto seconds = decimal(rest);
      if (!seconds)
        return fail("@after takes a number of seconds");
      step.kind = ReplayStep::Kind::After;
      step.ms = std::llround(*seconds * 1000.0);
      script.steps.push_back(step);
      inScene = false;
    } else if (directive == "@say") {
      step.kind = ReplayStep::Kind::Say;
      step.text = rest;
      script.steps.push_back(step);
      inScene = false;
    } else if (directive == "@click") {
      if (!oneOf(rest, {"back", "playlist", "play", "stop", "pause", "next-track"})) {
        return fail("@click takes: back|playlist|play|stop|pause|next-track");
      }
      step.kind = ReplayStep::Kind::Click;
      step.which = rest;
      script.steps.push_back(step);
      inScene = false;
    } else {
      return fail("unknown directive " + directive);
    }
  }
  return script;
}

}  // namespace pvx

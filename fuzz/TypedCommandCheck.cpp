#include "TypedCommandCheck.h"

namespace pvx::rig {

std::string leakIn(std::string_view command) {
  if (command.find_first_of("\r\n") != std::string_view::npos)
    return "a line break";
  std::string_view body = command;
  // The listing's own quotes: the one after a column's colour code and the last character.
  constexpr std::string_view kListing = "echo ^1\"";
  if (body.size() > kListing.size() && body.starts_with("echo ^") && body[6] >= '1' &&
      body[6] <= '4' && body[7] == '"' && body.back() == '"')
    body = body.substr(kListing.size(), body.size() - kListing.size() - 1);
  // Chat holding a comment's start, typed in double quotes (the closing one may be cut off with
  // a line too long for the game).
  constexpr std::string_view kQuotedSay = "say \"";
  if (body.starts_with(kQuotedSay) &&
      (body.find("//") != std::string_view::npos || body.find("/*") != std::string_view::npos)) {
    body.remove_prefix(kQuotedSay.size());
    if (!body.empty() && body.back() == '"')
      body.remove_suffix(1);
  }
  if (body.find(';') != std::string_view::npos)
    return "a \";\"";
  if (body.find('"') != std::string_view::npos)
    return "a double quote";
  return {};
}

}  // namespace pvx::rig

#include "TypedCommandCheck.h"

namespace pvx::rig {

std::string leakIn(std::string_view command) {
  if (command.find_first_of("\r\n") != std::string_view::npos)
    return "a line break";
  std::string_view body = command;
  // The listing's own quotes: the one after the colour code and the last character.
  constexpr std::string_view kListing = "echo ^1\"";
  if (body.starts_with(kListing) && body.size() > kListing.size() && body.back() == '"')
    body = body.substr(kListing.size(), body.size() - kListing.size() - 1);
  if (body.find(';') != std::string_view::npos)
    return "a \";\"";
  if (body.find('"') != std::string_view::npos)
    return "a double quote";
  return {};
}

}  // namespace pvx::rig

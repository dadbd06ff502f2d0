#include "core/text/CodePage.h"

#include "core/text/Text.h"

namespace pvx {

namespace {

class Windows1252 final : public CodePage {
 public:
  unsigned number() const override { return 1252; }
  std::string toUtf8(std::string_view bytes) const override { return text::fromCp1252(bytes); }
  std::string fromUtf8(std::string_view utf8) const override { return text::toCp1252(utf8); }
  bool holds(std::string_view utf8) const override {
    return text::isValidUtf8(utf8) && text::fromCp1252(text::toCp1252(utf8)) == utf8;
  }
};

}  // namespace

const CodePage& windows1252() {
  static const Windows1252 codePage;
  return codePage;
}

std::string FileEncoding::encode(std::string_view utf8) const {
  if (ansi_ == nullptr || !ansi_->holds(utf8))
    return std::string(utf8);
  // A line whose bytes in the code page happen to be valid UTF-8 of other characters would be
  // read back as those: it is written in UTF-8.
  std::string bytes = ansi_->fromUtf8(utf8);
  if (bytes != utf8 && text::isValidUtf8(bytes))
    return std::string(utf8);
  return bytes;
}

std::string FileEncoding::decode(std::string_view bytes) const {
  if (text::isValidUtf8(bytes))
    return std::string(bytes);
  return (ansi_ != nullptr ? *ansi_ : windows1252()).toUtf8(bytes);
}

}  // namespace pvx

#pragma once

#include <string>
#include <string_view>

namespace pvx {

// A code page of the game's console and of the program's files: the system's ANSI code page on
// Windows (1252 on Western systems, 1250 on a Polish or Czech one, 1251 on a Russian one...),
// Windows-1252 beside OpenJK and in the replay. Text inside the program is UTF-8; it crosses to a
// code page and back only through one of these.
class CodePage {
 public:
  virtual ~CodePage() = default;
  // Whether every character takes one byte in the code page: not in the double-byte code pages of
  // Japanese, Chinese and Korean systems (932, 936, 949, 950, 1361), nor in UTF-8 (65001).
  bool oneBytePerCharacter() const {
    const unsigned n = number();
    return n != 932 && n != 936 && n != 949 && n != 950 && n != 1361 && n != 65001;
  }
  // The code page's number (1252, 1250, 1251...).
  virtual unsigned number() const = 0;
  // The code page's bytes as UTF-8.
  virtual std::string toUtf8(std::string_view bytes) const = 0;
  // UTF-8 as the code page's bytes; a character the code page lacks becomes what the platform's
  // own conversion makes of it (Windows-1252 here: '?').
  virtual std::string fromUtf8(std::string_view utf8) const = 0;
  // Whether every character of the text has bytes of its own in the code page, so that it comes
  // back unchanged.
  virtual bool holds(std::string_view utf8) const = 0;
};

// Windows-1252, one byte a character.
const CodePage& windows1252();

// How the program's text files (message sets, the playlist) store their lines: in the system's
// ANSI code page where there is one (Windows), so that the files stay what other programs of the
// system and older versions read, and a line the code page cannot hold in UTF-8, so that nothing
// is lost; elsewhere in UTF-8. A line is read as UTF-8 when it is valid UTF-8, else in the ANSI
// code page (Windows-1252 where there is none: a file made on a Western Windows).
class FileEncoding {
 public:
  // ansi: the system's ANSI code page; null where files are UTF-8.
  explicit FileEncoding(const CodePage* ansi = nullptr) : ansi_(ansi) {}

  std::string encode(std::string_view utf8) const;
  std::string decode(std::string_view bytes) const;

 private:
  const CodePage* ansi_;
};

}  // namespace pvx

#include "core/text/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace pvx::text {

namespace {

// Code points of the bytes 0x80-0x9F. The five bytes Windows-1252 leaves undefined keep the C1
// control of the same value, as Windows converts them, so every byte survives a round trip.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

constexpr char32_t cp1252ToCodePoint(unsigned char b) {
  return (b >= 0x80 && b < 0xA0) ? kHighControls[b - 0x80] : static_cast<char32_t>(b);
}

// The byte for a code point, or -1 when Windows-1252 has none.
int codePointToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
    return static_cast<int>(cp);
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == cp) {
      return static_cast<int>(0x80 + i);
    }
  }
  return -1;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::size_t utf8Size(char32_t cp) {
  return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

// One character of a UTF-8 text. A byte that does not start a well-formed sequence (overlong
// form, surrogate, value past U+10FFFF, cut-off sequence, stray continuation byte) is a character
// of its own, one byte long, so malformed text still has a definite length and never makes a
// reader step past its end.
struct Char {
  char32_t cp;  // the code point; for a malformed byte, kBadByte + the byte
  std::size_t size;
  bool valid;
};

constexpr char32_t kBadByte = 0x110000;

Char decodeAt(std::string_view s, std::size_t pos) {
  const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b0 = byteAt(pos);
  const Char bad{kBadByte + b0, 1, false};
  if (b0 < 0x80) {
    return {b0, 1, true};
  }
  std::size_t size = 0;
  char32_t cp = 0;
  // The allowed range of the second byte is what excludes overlong forms, surrogates and
  // values past U+10FFFF.
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    size = 2;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    size = 3;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) {
      lo = 0xA0;
    } else if (b0 == 0xED) {
      hi = 0x9F;
    }
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    size = 4;
    cp = b0 & 0x07;
    if (b0 == 0xF0) {
      lo = 0x90;
    } else if (b0 == 0xF4) {
      hi = 0x8F;
    }
  } else {
    return bad;
  }
  if (s.size() - pos < size) {
    return bad;
  }
  for (std::size_t i = 1; i < size; ++i) {
    const unsigned char b = byteAt(pos + i);
    if (b < lo || b > hi) {
      return bad;
    }
    lo = 0x80;
    hi = 0xBF;
    cp = (cp << 6) | (b & 0x3F);
  }
  return {cp, size, true};
}

// Byte offset of the start of the character that ends at byte offset end (> 0). A well-formed
// sequence ending there starts at a lead byte, which the forward reading always reaches, so
// stepping back agrees with stepping forward even in malformed text.
std::size_t previousStart(std::string_view s, std::size_t end) {
  const std::size_t lowest = end >= 4 ? end - 4 : 0;
  for (std::size_t q = end - 1;; --q) {
    const auto b = static_cast<unsigned char>(s[q]);
    if ((b & 0xC0) != 0x80) {
      // The first non-continuation byte going back is the only candidate lead byte.
      const Char c = decodeAt(s, q);
      return (c.valid && q + c.size == end) ? q : end - 1;
    }
    if (q == lowest) {
      return end - 1;
    }
  }
}

// Byte offset after n characters from byte offset pos (the end when the text is shorter).
std::size_t advance(std::string_view s, std::size_t pos, std::size_t n) {
  while (n > 0 && pos < s.size()) {
    pos += decodeAt(s, pos).size;
    --n;
  }
  return pos;
}

// Byte offset n characters back from the end (0 when the text is shorter).
std::size_t backFromEnd(std::string_view s, std::size_t n) {
  std::size_t pos = s.size();
  while (n > 0 && pos > 0) {
    pos = previousStart(s, pos);
    --n;
  }
  return pos;
}

// Lower case for the letters that Windows-1252 and Latin-1 share with an upper-case partner.
char32_t foldCase(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') {
    return cp + 0x20;
  }
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) {
    return cp + 0x20;
  }
  switch (cp) {
    case 0x0160:  // Š
    case 0x0152:  // Œ
    case 0x017D:  // Ž
      return cp + 1;
    case 0x0178:  // Ÿ
      return 0x00FF;
    default:
      return cp;
  }
}

// Byte offset just past needle when haystack holds it at byte offset pos (compared without
// regard to case), else npos. needle is not empty.
std::size_t matchAt(std::string_view haystack, std::size_t pos, std::string_view needle) {
  std::size_t n = 0;
  while (n < needle.size()) {
    if (pos >= haystack.size()) {
      return npos;
    }
    const Char h = decodeAt(haystack, pos);
    const Char w = decodeAt(needle, n);
    if (foldCase(h.cp) != foldCase(w.cp)) {
      return npos;
    }
    pos += h.size;
    n += w.size;
  }
  return pos;
}

}  // namespace

std::string fromCp1252(std::string_view bytes) {
  std::size_t size = 0;
  for (const char c : bytes) {
    size += utf8Size(cp1252ToCodePoint(static_cast<unsigned char>(c)));
  }
  std::string out;
  out.reserve(size);
  for (const char c : bytes) {
    appendUtf8(out, cp1252ToCodePoint(static_cast<unsigned char>(c)));
  }
  return out;
}

std::string toCp1252(std::string_view utf8) {
  // ASCII is the same in both, and most of what is converted is ASCII (the console's title
  // every watch cycle).
  if (std::all_of(utf8.begin(), utf8.end(),
                  [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }))
    return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const Char c = decodeAt(utf8, pos);
    const int byte = c.valid ? codePointToCp1252(c.cp) : -1;
    out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    pos += c.size;
  }
  return out;
}

bool isValidUtf8(std::string_view bytes) {
  for (std::size_t pos = 0; pos < bytes.size();) {
    const Char c = decodeAt(bytes, pos);
    if (!c.valid) {
      return false;
    }
    pos += c.size;
  }
  return true;
}

std::string fromFileLine(std::string_view bytes) {
  return isValidUtf8(bytes) ? std::string(bytes) : fromCp1252(bytes);
}

std::size_t length(std::string_view utf8) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < utf8.size(); pos += decodeAt(utf8, pos).size) {
    ++count;
  }
  return count;
}

std::string left(std::string_view utf8, std::size_t n) {
  return std::string(utf8.substr(0, advance(utf8, 0, n)));
}

std::string right(std::string_view utf8, std::size_t n) {
  return std::string(utf8.substr(backFromEnd(utf8, n)));
}

std::string dropRight(std::string_view utf8, std::size_t n) {
  return std::string(utf8.substr(0, backFromEnd(utf8, n)));
}

std::string substring(std::string_view utf8, std::size_t start, std::size_t count) {
  const std::size_t begin = advance(utf8, 0, start);
  const std::size_t end = count == npos ? utf8.size() : advance(utf8, begin, count);
  return std::string(utf8.substr(begin, end - begin));
}

namespace {

bool isAsciiText(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      return false;
    }
  }
  return true;
}

char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The byte offset of the first match of an ASCII needle at or after from, ASCII case folded.
std::size_t findAsciiNoCase(std::string_view haystack, std::string_view needle, std::size_t from) {
  const char first = asciiLower(needle.front());
  for (std::size_t p = from; p + needle.size() <= haystack.size(); ++p) {
    if (asciiLower(haystack[p]) != first) {
      continue;
    }
    std::size_t k = 1;
    while (k < needle.size() && asciiLower(haystack[p + k]) == asciiLower(needle[k])) {
      ++k;
    }
    if (k == needle.size()) {
      return p;
    }
  }
  return npos;
}

}  // namespace

std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from) {
  std::size_t pos = 0;
  std::size_t index = 0;
  while (index < from && pos < haystack.size()) {
    pos += decodeAt(haystack, pos).size;
    ++index;
  }
  if (index < from) {
    return npos;
  }
  if (needle.empty()) {
    return index;
  }
  if (isAsciiText(needle)) {
    // An ASCII needle can only match ASCII bytes (no other letter folds to an ASCII one), and
    // those always start a character: a plain byte scan finds the same first match, fast.
    const std::size_t at = findAsciiNoCase(haystack, needle, pos);
    if (at == npos) {
      return npos;
    }
    for (; pos < at; pos += decodeAt(haystack, pos).size) {
      ++index;
    }
    return index;
  }
  for (; pos < haystack.size(); pos += decodeAt(haystack, pos).size, ++index) {
    if (matchAt(haystack, pos, needle) != npos) {
      return index;
    }
  }
  return npos;
}

std::string replaceAllNoCase(std::string_view utf8, std::string_view what, std::string_view with) {
  if (what.empty()) {
    return std::string(utf8);
  }
  std::string out;
  out.reserve(utf8.size());
  std::size_t copiedUpTo = 0;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const std::size_t end = matchAt(utf8, pos, what);
    if (end == npos) {
      pos += decodeAt(utf8, pos).size;
      continue;
    }
    out.append(utf8.substr(copiedUpTo, pos - copiedUpTo));
    out.append(with);
    pos = end;
    copiedUpTo = end;
  }
  out.append(utf8.substr(copiedUpTo));
  return out;
}

std::string makeInert(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    if (c == '\r' || c == '\n') {
      out.push_back(' ');
    } else if (c != ';' && c != '"') {
      out.push_back(c);
    }
  }
  return out;
}

std::string_view numberText(std::string_view line) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!line.empty() && blank(line.front()))
    line.remove_prefix(1);
  while (!line.empty() && blank(line.back()))
    line.remove_suffix(1);
  if (!line.empty() && line.front() == '+')
    line.remove_prefix(1);
  return line;
}

std::string stripColours(std::string_view s, char highest) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '^' && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= highest) {
      ++i;
      continue;
    }
    out.push_back(s[i]);
  }
  return out;
}

}  // namespace pvx::text

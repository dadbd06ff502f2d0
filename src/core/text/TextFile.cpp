#include "core/text/TextFile.h"

#include <cerrno>
#include <fstream>
#include <system_error>

namespace pvx::textfile {

namespace fs = std::filesystem;

bool readLine(std::istream& in, std::string& line, const FileEncoding& encoding) {
  std::string raw;
  std::streambuf* buffer = in.rdbuf();
  if (buffer == nullptr || !in.good())
    return false;
  using Traits = std::char_traits<char>;
  bool any = false;
  for (;;) {
    const Traits::int_type c = buffer->sbumpc();
    if (Traits::eq_int_type(c, Traits::eof())) {
      in.setstate(std::ios::eofbit);
      if (!any) {
        in.setstate(std::ios::failbit);
        return false;
      }
      break;
    }
    any = true;
    if (c == '\n')
      break;
    if (c == '\r') {
      // A line feed right after the carriage return belongs to the same line end.
      if (buffer->sgetc() == '\n')
        buffer->sbumpc();
      break;
    }
    raw.push_back(Traits::to_char_type(c));
  }
  line = encoding.decode(raw);
  return true;
}

std::string systemReason() {
  const int code = errno;
  return code != 0 ? std::generic_category().message(code) : "Input/output error";
}

namespace {

// Puts from in to's place, replacing it, in one step of the file system (on Windows the
// library's rename replaces an existing file too).
std::error_code replace(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  return ec;
}

}  // namespace

std::string writeWhole(const fs::path& target, const std::vector<std::string>& lines,
                       const FileEncoding& encoding) {
  fs::path beside = target;
  beside += ".new";
  std::error_code ignored;
  errno = 0;
  std::ofstream out(beside, std::ios::binary | std::ios::trunc);
  if (!out)
    return systemReason();
  for (const std::string& line : lines)
    out << encoding.encode(line) << "\r\n";
  out.flush();
  out.close();
  if (!out) {
    std::string reason = systemReason();
    fs::remove(beside, ignored);
    return reason;
  }
  const std::error_code ec = replace(beside, target);
  if (ec) {
    fs::remove(beside, ignored);
    return ec.message();
  }
  return {};
}

std::string pathText(const fs::path& path) {
  const std::u8string u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
}

fs::path fromPathText(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace pvx::textfile

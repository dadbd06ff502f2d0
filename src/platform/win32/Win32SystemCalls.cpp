#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <tuple>

#include "platform/SystemCalls.h"

namespace pvx::platform {

static_assert(sizeof(OSVERSIONINFOA) == OsVersionRecord::kRecordSize);

bool queryOsVersion(OsVersionRecord& record) {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info))
    return false;
  record.osVersionInfoSize = info.dwOSVersionInfoSize;
  record.majorVersion = info.dwMajorVersion;
  record.minorVersion = info.dwMinorVersion;
  record.buildNumber = info.dwBuildNumber;
  record.platformId = info.dwPlatformId;
  static_assert(sizeof info.szCSDVersion == std::tuple_size_v<decltype(record.csdVersion)>);
  std::memcpy(record.csdVersion.data(), info.szCSDVersion, sizeof info.szCSDVersion);
  return true;
}

bool isHiddenFile(const std::filesystem::path& file) {
  const DWORD attributes = GetFileAttributesW(file.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

std::optional<std::filesystem::path> userDataHome() {
  // The program is the folder it was unzipped to: its files stay beside it.
  return std::nullopt;
}

namespace {

// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD, as the platform converts it.
std::wstring wide(std::string_view utf8) {
  if (utf8.empty())
    return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
  return out;
}

std::string narrow(const std::wstring& text, UINT codePage, DWORD flags, BOOL* usedDefault) {
  if (text.empty())
    return {};
  const int size = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, usedDefault);
  std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, usedDefault);
  return out;
}

class AnsiCodePage final : public CodePage {
 public:
  unsigned number() const override { return GetACP(); }
  std::string toUtf8(std::string_view bytes) const override {
    if (bytes.empty())
      return {};
    const int size =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return narrow(text, CP_UTF8, 0, nullptr);
  }
  std::string fromUtf8(std::string_view utf8) const override {
    // The platform's own conversion: best fit where it has one, '?' otherwise.
    return narrow(wide(utf8), CP_ACP, 0, nullptr);
  }
  bool holds(std::string_view utf8) const override {
    // A system whose ANSI code page is UTF-8 holds everything.
    if (GetACP() == CP_UTF8)
      return true;
    BOOL usedDefault = FALSE;
    const std::string bytes = narrow(wide(utf8), CP_ACP, WC_NO_BEST_FIT_CHARS, &usedDefault);
    return usedDefault == FALSE && toUtf8(bytes) == utf8;
  }
};

}  // namespace

const CodePage* systemCodePage() {
  static const AnsiCodePage codePage;
  return &codePage;
}

}  // namespace pvx::platform

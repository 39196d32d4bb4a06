// Paths and texts on POSIX systems: bytes throughout, UTF-8 for typed text.
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <string_view>

#include "native_path.h"
#include "text_encoding.h"

NativePath NativePathFromWide(const std::wstring& path) {
  NativePath utf8;
  for (const wchar_t wide : path) AppendUtf8(utf8, static_cast<std::uint32_t>(wide));
  return utf8;
}

NativePath NativePathFromText(const std::string& text) {
  return text;
}

std::string TextFromNativePath(const NativePath& path) {
  return path;
}

NativePath NativePathFromUtf8(const std::string& text) {
  return text;
}

std::string Utf8FromNativePath(const NativePath& path) {
  return path;
}

NativePath FolderPart(const NativePath& path) {
  const std::size_t slash = path.rfind('/');
  return slash == NativePath::npos ? NativePath() : path.substr(0, slash + 1);
}

namespace {

// The descriptor number that ends `path` after `prefix`, or -1.
int NumberAfter(std::string_view path, std::string_view prefix) {
  if (!path.starts_with(prefix) || path.size() == prefix.size()) return -1;
  const std::string_view digits = path.substr(prefix.size());
  int number = -1;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return error == std::errc() && end == digits.data() + digits.size() ? number : -1;
}

}  // namespace

int DescriptorNamedBy(const NativePath& path) {
  if (path == "/dev/stdin") return 0;
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  const std::string ownProcess = "/proc/" + std::to_string(::getpid()) + "/fd/";
  for (const std::string_view prefix :
       {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/"),
        std::string_view("/proc/thread-self/fd/"), std::string_view(ownProcess)}) {
    if (const int number = NumberAfter(path, prefix); number >= 0) return number;
  }
  return -1;
}

LeadBytes TextLeadBytes() {
  return {};
}

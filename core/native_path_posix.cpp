// Paths and texts on POSIX systems: bytes throughout, UTF-8 for typed text.
#include <cstdint>

#include "native_path.h"

NativePath NativePathFromWide(const std::wstring& path) {
  NativePath utf8;
  for (wchar_t wide : path) {
    const auto c = static_cast<std::uint32_t>(wide);
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (c >> 12));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (c >> 18));
      utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

NativePath NativePathFromText(const std::string& text) {
  return text;
}

std::string TextFromNativePath(const NativePath& path) {
  return path;
}

NativePath FolderPart(const NativePath& path) {
  const std::size_t slash = path.rfind('/');
  return slash == NativePath::npos ? NativePath() : path.substr(0, slash + 1);
}

LeadBytes TextLeadBytes() {
  return {};
}

// Paths and texts on Windows: UTF-16 paths, file text in the ANSI code page.
#include <windows.h>

#include "native_path.h"

namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/' || c == L':';
}

// Text of a code page (the ANSI one, or UTF-8) as UTF-16, and back.
std::wstring WideFrom(UINT codePage, const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::wstring wide(
      static_cast<std::size_t>(MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0)),
      L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

std::string TextFrom(UINT codePage, const std::wstring& path) {
  if (path.empty()) return {};
  const int size = static_cast<int>(path.size());
  std::string text(static_cast<std::size_t>(WideCharToMultiByte(codePage, 0, path.data(), size,
                                                                nullptr, 0, nullptr, nullptr)),
                   '\0');
  WideCharToMultiByte(codePage, 0, path.data(), size, text.data(), static_cast<int>(text.size()),
                      nullptr, nullptr);
  return text;
}

}  // namespace

NativePath NativePathFromWide(const std::wstring& path) {
  return path;
}

NativePath NativePathFromText(const std::string& text) {
  return WideFrom(CP_ACP, text);
}

std::string TextFromNativePath(const NativePath& path) {
  return TextFrom(CP_ACP, path);
}

NativePath NativePathFromUtf8(const std::string& text) {
  return WideFrom(CP_UTF8, text);
}

std::string Utf8FromNativePath(const NativePath& path) {
  return TextFrom(CP_UTF8, path);
}

NativePath FolderPart(const NativePath& path) {
  std::size_t end = path.size();
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
  return path.substr(0, end);
}

// Windows names its standard handles CON, CONIN$ and CONOUT$: devices, which
// the write already takes as such.
int DescriptorNamedBy(const NativePath&) {
  return -1;
}

LeadBytes TextLeadBytes() {
  LeadBytes leadBytes;
  CPINFO information{};
  if (!GetCPInfo(CP_ACP, &information)) return leadBytes;
  // Pairs of first and last byte of a range, ended by a zero.
  for (int i = 0; i + 1 < MAX_LEADBYTES && information.LeadByte[i] != 0; i += 2) {
    for (unsigned lead = information.LeadByte[i]; lead <= information.LeadByte[i + 1]; ++lead) {
      leadBytes.set(lead);
    }
  }
  return leadBytes;
}

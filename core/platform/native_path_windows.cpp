// Paths and texts on Windows: UTF-16 paths, file text in the ANSI code page.
#include <windows.h>

#include "native_path.h"

namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/' || c == L':';
}

}  // namespace

NativePath NativePathFromWide(const std::wstring& path) {
  return path;
}

NativePath NativePathFromText(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::wstring wide(
      static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0)),
      L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

std::string TextFromNativePath(const NativePath& path) {
  if (path.empty()) return {};
  const int size = static_cast<int>(path.size());
  std::string text(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, path.data(), size,
                                                                nullptr, 0, nullptr, nullptr)),
                   '\0');
  WideCharToMultiByte(CP_ACP, 0, path.data(), size, text.data(), static_cast<int>(text.size()),
                      nullptr, nullptr);
  return text;
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

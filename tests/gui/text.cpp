#include "text.h"

#include <windows.h>

#include <cstdio>

std::string ToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), size, nullptr, nullptr);
  return result;
}

std::wstring FromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  std::wstring result(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, result.data(), size);
  return result;
}

std::string Printable(std::wstring_view text) {
  std::wstring escaped;
  for (const wchar_t character : text) {
    if (character == L'\n') {
      escaped += L"\\n";
    } else if (character == L'\r') {
      escaped += L"\\r";
    } else if (character == L'\t') {
      escaped += L"\\t";
    } else if (character < 0x20) {
      wchar_t code[8];
      std::swprintf(code, 8, L"\\x%02x", static_cast<unsigned>(character));
      escaped += code;
    } else {
      escaped += character;
    }
  }
  return ToUtf8(escaped);
}

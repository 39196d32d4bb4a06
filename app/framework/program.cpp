// The program's module and the report of an exception that reached Windows'
// side.
#include <exception>
#include <new>

#include "framework.h"

HINSTANCE ProgramInstance() {
  return GetModuleHandleW(nullptr);
}

namespace {

constexpr int kTextLength = 512;

// Fills `text` with the message for the exception in flight, without
// allocating: memory may be what ran out.
void DescribeCurrentException(wchar_t (&text)[kTextLength]) noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    lstrcpynW(text, L"Out of memory.", kTextLength);
  } catch (const std::exception& error) {
    // A message longer than the box can hold is cut short.
    const int length = lstrlenA(error.what());
    const int shown = length < kTextLength ? length : kTextLength - 1;
    const int converted =
        MultiByteToWideChar(CP_ACP, 0, error.what(), shown, text, kTextLength - 1);
    text[converted] = L'\0';
  } catch (...) {
  }
  if (text[0] == L'\0') lstrcpynW(text, L"An unexpected error occurred.", kTextLength);
}

}  // namespace

void ReportCurrentException(HWND owner) noexcept {
  wchar_t text[kTextLength] = L"";
  DescribeCurrentException(text);
  wchar_t caption[kTextLength] = L"";
  if (owner != nullptr) GetWindowTextW(owner, caption, kTextLength);
  MessageBoxW(owner, text, caption[0] != L'\0' ? caption : L"Error", MB_OK | MB_ICONERROR);
}

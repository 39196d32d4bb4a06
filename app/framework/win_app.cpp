// The application object, the program's entry point and the report of an
// exception that reached Windows' side.
#include <exception>
#include <new>

#include "framework.h"

WinApp* WinApp::current_ = nullptr;

WinApp::WinApp() {
  current_ = this;
}

WinApp::~WinApp() {
  if (current_ == this) current_ = nullptr;
}

HINSTANCE ProgramInstance() {
  return GetModuleHandleW(nullptr);
}

HWND DefaultOwnerWindow() {
  const WinApp* app = WinApp::Current();
  const Dialog* mainWindow = app != nullptr ? app->MainWindow() : nullptr;
  return mainWindow != nullptr ? mainWindow->Handle() : nullptr;
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

int RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

void ReportCurrentException(HWND owner) noexcept {
  wchar_t text[kTextLength] = L"";
  DescribeCurrentException(text);
  wchar_t caption[kTextLength] = L"";
  if (owner != nullptr) GetWindowTextW(owner, caption, kTextLength);
  MessageBoxW(owner, text, caption[0] != L'\0' ? caption : L"Error", MB_OK | MB_ICONERROR);
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  WinApp* app = WinApp::Current();
  if (app == nullptr) return 1;
  try {
    return app->InitInstance() ? RunMessageLoop() : 0;
  } catch (...) {
    ReportCurrentException(nullptr);
    return 1;
  }
}

// The program's entry point: runs the one application object.
#include <windows.h>

#include "exception_report.h"
#include "win_app.h"

namespace {

int RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

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

#include "win_app.h"

#include "dialog.h"

WinApp* WinApp::current_ = nullptr;

WinApp::WinApp() {
  current_ = this;
}

WinApp::~WinApp() {
  if (current_ == this) current_ = nullptr;
}

HWND WinApp::MainWindowHandle() const {
  return mainWindow_ != nullptr ? mainWindow_->Handle() : nullptr;
}

HWND DefaultOwnerWindow() {
  const WinApp* app = WinApp::Current();
  return app != nullptr ? app->MainWindowHandle() : nullptr;
}

HINSTANCE ProgramInstance() {
  return GetModuleHandleW(nullptr);
}

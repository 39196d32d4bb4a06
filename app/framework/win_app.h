// The application object: the program defines exactly one object of a WinApp
// subclass, and wWinMain hands control to its InitInstance, which does all
// the work.
#pragma once

#include <windows.h>

class Dialog;

class WinApp {
 public:
  WinApp();
  virtual ~WinApp();
  WinApp(const WinApp&) = delete;
  WinApp& operator=(const WinApp&) = delete;

  // Runs the program. Returning false ends it at once; true enters a message
  // loop that runs until WM_QUIT.
  virtual bool InitInstance() = 0;

  // The window that owns dialogs and file dialogs opened without an owner.
  void SetMainWindow(Dialog* dialog) { mainWindow_ = dialog; }
  HWND MainWindowHandle() const;

  static WinApp* Current() { return current_; }

 private:
  Dialog* mainWindow_ = nullptr;
  static WinApp* current_;
};

// The owner for a modal window opened without one: the application's main
// window, if it is open.
HWND DefaultOwnerWindow();

// The module whose resources the program loads.
HINSTANCE ProgramInstance();

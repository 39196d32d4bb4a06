// Guards that give back what a Windows call hands out, on every way out of a
// scope.
#pragma once

#include <windows.h>

#include <string>

// BeginPaint / EndPaint for one WM_PAINT.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintDc() { EndPaint(window_, &paint_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;

  HDC Handle() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// Saves the process's working directory, of any length, and restores it when
// the scope ends: the file dialogs move it to the folder the user visited.
class WorkingDirectoryGuard {
 public:
  WorkingDirectoryGuard() {
    // Too small a buffer gets the size needed, terminator included; ask again
    // with that size until the directory fits (it may change in between).
    for (DWORD needed = GetCurrentDirectoryW(0, nullptr); needed != 0;) {
      saved_.resize(needed);
      const DWORD written = GetCurrentDirectoryW(needed, saved_.data());
      if (written < needed) {
        saved_.resize(written);  // nothing saved if the call failed
        return;
      }
      needed = written;
    }
  }
  ~WorkingDirectoryGuard() {
    if (!saved_.empty()) SetCurrentDirectoryW(saved_.c_str());
  }
  WorkingDirectoryGuard(const WorkingDirectoryGuard&) = delete;
  WorkingDirectoryGuard& operator=(const WorkingDirectoryGuard&) = delete;

 private:
  std::wstring saved_;
};

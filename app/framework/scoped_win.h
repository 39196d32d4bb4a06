// Small guards that give back what a Windows call hands out, on every way out
// of a scope.
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

// Saves the process's working directory and restores it when the scope ends:
// the file dialogs change it to the folder the user visited.
class WorkingDirectoryGuard {
 public:
  WorkingDirectoryGuard();
  ~WorkingDirectoryGuard();
  WorkingDirectoryGuard(const WorkingDirectoryGuard&) = delete;
  WorkingDirectoryGuard& operator=(const WorkingDirectoryGuard&) = delete;

 private:
  std::wstring saved_;
};

// Finding and reading the windows of another process. Every message that is
// sent goes with a timeout; messages that may open a modal window are posted.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "waiting.h"

// Which top-level windows to look for: dialogs (class #32770) of one process,
// narrowed by the setters. Unset fields match anything.
struct WindowQuery {
  explicit WindowQuery(DWORD process) : processId(process) {}
  WindowQuery& OwnedBy(HWND window) {
    owner = window;
    return *this;
  }
  WindowQuery& Captioned(std::wstring text) {
    caption = std::move(text);
    return *this;
  }
  // A child control the window must have (0xFFFF: a message box's text).
  WindowQuery& WithChild(int id) {
    childId = id;
    return *this;
  }

  DWORD processId;
  std::wstring className = L"#32770";
  std::optional<HWND> owner;
  std::optional<std::wstring> caption;
  std::optional<int> childId;
};

// The visible top-level windows that match, in z order.
std::vector<HWND> FindWindows(const WindowQuery& query);
// The only match once there is one; fails the case after the timeout, or
// when several match.
HWND WaitForWindow(const WindowQuery& query, const std::string& what,
                   Milliseconds timeout = kWindowTimeout);
// True once `window` is destroyed or hidden.
bool WaitForWindowGone(HWND window, Milliseconds timeout = kWindowTimeout);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
HWND Owner(HWND window);
// The direct children in z order, which for a dialog is the template order.
std::vector<HWND> Children(HWND parent);
// The child with identifier `id`; fails the case if there is none.
HWND Control(HWND dialog, int id);

// Window styles as the 32 bits they are.
DWORD Style(HWND window);
DWORD ExtendedStyle(HWND window);

// Sends with a timeout and fails the case if the program does not answer.
LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SetWindowTextBounded(HWND window, const std::wstring& text);
void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

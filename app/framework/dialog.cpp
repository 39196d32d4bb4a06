#include <cstddef>

#include "framework.h"

namespace {

int Width(const RECT& rect) {
  return rect.right - rect.left;
}
int Height(const RECT& rect) {
  return rect.bottom - rect.top;
}

// The start that centres `size` on the span [low, low + span), moved back into
// [areaLow, areaHigh) as far as it fits.
int CenteredStart(int low, int span, int size, int areaLow, int areaHigh) {
  int start = low + (span - size) / 2;
  if (start + size > areaHigh) start = areaHigh - size;
  if (start < areaLow) start = areaLow;
  return start;
}

RECT WorkAreaOf(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  return monitor.rcWork;
}

// Centres `window` over its owner when the owner is shown and not minimized,
// otherwise in the work area of the window's monitor; in either case it is
// kept inside that work area.
void CenterOverOwnerOrWorkArea(HWND window) {
  HWND owner = GetWindow(window, GW_OWNER);
  const bool overOwner = owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner);
  const RECT workArea = WorkAreaOf(overOwner ? owner : window);
  RECT target = workArea;
  if (overOwner) GetWindowRect(owner, &target);
  RECT own{};
  GetWindowRect(window, &own);
  const int x =
      CenteredStart(target.left, Width(target), Width(own), workArea.left, workArea.right);
  const int y =
      CenteredStart(target.top, Height(target), Height(own), workArea.top, workArea.bottom);
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

INT_PTR Dialog::DoModal(HWND owner) {
  return DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(templateId_), owner,
                         &Dialog::DialogProcedure, reinterpret_cast<LPARAM>(this));
}

// The one way from Windows into a dialog's code; nothing thrown below may
// cross it.
INT_PTR CALLBACK Dialog::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    reinterpret_cast<Dialog*>(lParam)->handle_ = window;
  }
  auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (dialog == nullptr) return FALSE;  // the messages before WM_INITDIALOG
  if (message == WM_NCDESTROY) {
    dialog->handle_ = nullptr;
    return FALSE;
  }
  try {
    return dialog->OnMessage(message, wParam, lParam);
  } catch (...) {
    ReportCurrentException(window);
    return message == WM_INITDIALOG ? TRUE : FALSE;
  }
}

INT_PTR Dialog::OnMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_INITDIALOG:
      // The templates carry no centring style.
      CenterOverOwnerOrWorkArea(handle_);
      return OnInitDialog();
    case WM_COMMAND:
      return HIWORD(wParam) == BN_CLICKED && OnButtonClicked(LOWORD(wParam)) ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

bool Dialog::OnButtonClicked(int id) {
  switch (id) {
    case IDOK:
    case IDCANCEL:
      EndDialog(id);
      return true;
    default:
      return false;
  }
}

void Dialog::EndDialog(INT_PTR result) {
  ::EndDialog(handle_, result);
}

std::wstring Dialog::ItemText(int id) const {
  const int length = GetWindowTextLengthW(GetDlgItem(handle_, id));
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  // The terminating zero goes to the string's own terminator.
  const UINT copied = GetDlgItemTextW(handle_, id, text.data(), static_cast<int>(text.size()) + 1);
  text.resize(copied);
  return text;
}

void Dialog::SetItemText(int id, const std::wstring& text) {
  SetDlgItemTextW(handle_, id, text.c_str());
}

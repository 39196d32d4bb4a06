#include "window_placement.h"

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

}  // namespace

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

// The probe library: a WH_CALLWNDPROC hook that the test driver installs on
// the program's user-interface thread, so that Windows loads it into the
// program's process. It answers the driver's questions from inside that
// process and touches nothing else.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "probe_protocol.h"

namespace {

std::wstring MenuItems(HMENU menu) {
  std::wstring lines;
  const int count = GetMenuItemCount(menu);
  for (int index = 0; index < count; ++index) {
    wchar_t text[256] = {};
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = 255;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(index), TRUE, &item)) {
      lines += L"?\n";
    } else if (item.fType & MFT_SEPARATOR) {
      lines += L"-\n";
    } else {
      lines += std::to_wstring(item.wID) + L"\t" + text + L"\n";
    }
  }
  return lines;
}

std::wstring WindowMenu(HWND window) {
  const HMENU menu = GetSystemMenu(window, FALSE);
  return menu ? MenuItems(menu) : L"no window menu";
}

// The icon control of a message box is its static child with SS_ICON.
HICON MessageBoxIcon(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    const auto style = static_cast<unsigned long>(GetWindowLongPtrW(child, GWL_STYLE));
    if (_wcsicmp(className, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
      return reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    }
  }
  return nullptr;
}

// System icons are shared within a process, so handles compare equal.
std::wstring IconKind(HWND box) {
  const HICON icon = MessageBoxIcon(box);
  if (!icon) return L"none";
  struct Named {
    LPCWSTR resource;
    const wchar_t* name;
  };
  const Named kinds[] = {{IDI_QUESTION, L"question"},
                         {IDI_EXCLAMATION, L"exclamation"},
                         {IDI_INFORMATION, L"information"},
                         {IDI_ERROR, L"error"}};
  for (const Named& kind : kinds) {
    if (LoadIconW(nullptr, kind.resource) == icon) return kind.name;
  }
  return L"other";
}

std::wstring WorkingDirectory() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring directory(size, L'\0');
  directory.resize(GetCurrentDirectoryW(size, directory.data()));
  return directory;
}

std::wstring FocusedControlId() {
  const HWND focus = GetFocus();
  return focus ? std::to_wstring(GetDlgCtrlID(focus)) : L"none";
}

// WM_GETICON asked from inside: Wine does not answer it across processes.
std::wstring WindowIcons(HWND window) {
  std::wstring icons;
  if (SendMessageW(window, WM_GETICON, ICON_BIG, 0)) icons += L"large";
  if (SendMessageW(window, WM_GETICON, ICON_SMALL, 0))
    icons += icons.empty() ? L"small" : L" small";
  return icons;
}

std::wstring Answer(unsigned question, HWND window) {
  switch (question) {
    case probe::kWindowMenu:
      return WindowMenu(window);
    case probe::kIconKind:
      return IconKind(window);
    case probe::kWorkingDirectory:
      return WorkingDirectory();
    case probe::kFocusedControlId:
      return FocusedControlId();
    case probe::kWindowIcons:
      return WindowIcons(window);
    default:
      return L"unknown question";
  }
}

bool WriteAnswer(const std::wstring& answer) {
  const HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, probe::kSharedMemoryName);
  if (!mapping) return false;
  auto* memory = static_cast<probe::Answer*>(
      MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(probe::Answer)));
  if (memory) {
    const std::size_t length = std::min(answer.size(), probe::kAnswerChars - 1);
    answer.copy(memory->text, length);
    memory->text[length] = L'\0';
    memory->answered = 1;
    UnmapViewOfFile(memory);
  }
  CloseHandle(mapping);
  return memory != nullptr;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT probeMessage = RegisterWindowMessageW(probe::kMessageName);
  if (code == HC_ACTION) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (call->message == probeMessage) {
      WriteAnswer(Answer(static_cast<unsigned>(call->wParam), call->hwnd));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

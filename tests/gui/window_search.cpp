#include "window_search.h"

#include "check.h"

namespace {

bool Matches(HWND window, const WindowQuery& query) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != query.processId || !IsWindowVisible(window)) return false;
  if (ClassName(window) != query.className) return false;
  if (query.owner && Owner(window) != *query.owner) return false;
  if (query.childId && !GetDlgItem(window, *query.childId)) return false;
  return !query.caption || WindowText(window) == *query.caption;
}

struct Search {
  const WindowQuery* query;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectMatch(HWND window, LPARAM search) {
  auto* state = reinterpret_cast<Search*>(search);
  if (Matches(window, *state->query)) state->found.push_back(window);
  return TRUE;
}

constexpr UINT kSendTimeoutMs = 5000;

}  // namespace

std::vector<HWND> FindWindows(const WindowQuery& query) {
  Search search{&query, {}};
  EnumWindows(CollectMatch, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForWindow(const WindowQuery& query, const std::string& what, Milliseconds timeout) {
  std::vector<HWND> found;
  WaitUntil(
      [&] {
        found = FindWindows(query);
        return !found.empty();
      },
      timeout);
  if (found.empty()) Fail(what + " did not appear");
  if (found.size() > 1) Fail("more than one " + what + " is open");
  return found.front();
}

bool WaitForWindowGone(HWND window, Milliseconds timeout) {
  return WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout);
}

LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                           static_cast<UINT>(Scaled(Milliseconds{kSendTimeoutMs}).count()),
                           &result)) {
    Fail("the program did not answer message " + std::to_string(message));
  }
  return static_cast<LRESULT>(result);
}

std::wstring WindowText(HWND window) {
  const auto length = static_cast<std::size_t>(SendBounded(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  const auto copied = static_cast<std::size_t>(SendBounded(
      window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data())));
  text.resize(copied);
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

HWND Owner(HWND window) {
  return GetWindow(window, GW_OWNER);
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

HWND Control(HWND dialog, int id) {
  const HWND control = GetDlgItem(dialog, id);
  if (!control) Fail("no control with identifier " + std::to_string(id));
  return control;
}

DWORD Style(HWND window) {
  return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
}
DWORD ExtendedStyle(HWND window) {
  return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
}

void SetWindowTextBounded(HWND window, const std::wstring& text) {
  SendBounded(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!PostMessageW(window, message, wParam, lParam)) {
    Fail("cannot post message " + std::to_string(message));
  }
}

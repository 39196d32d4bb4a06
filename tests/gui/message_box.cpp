#include "message_box.h"

#include <algorithm>

#include "check.h"
#include "converter.h"
#include "window_search.h"

namespace {

constexpr int kTextId = 0xFFFF;

std::vector<int> VisibleButtons(HWND box) {
  std::vector<int> ids;
  for (const HWND child : Children(box)) {
    if (ClassName(child) == L"Button" && IsWindowVisible(child)) ids.push_back(GetDlgCtrlID(child));
  }
  return ids;
}

// The visible button drawn as the default one. DM_GETDEFID does not tell:
// Wine answers IDOK for a box without an OK button.
int DefaultButton(HWND box) {
  int found = 0;
  for (const HWND child : Children(box)) {
    if (ClassName(child) == L"Button" && IsWindowVisible(child) &&
        (Style(child) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      if (found) return -1;  // more than one
      found = GetDlgCtrlID(child);
    }
  }
  return found;
}

std::string ButtonNames(const std::vector<int>& ids) {
  std::string names;
  for (const int id : ids) {
    const char* name = id == IDOK ? "OK" : id == IDYES ? "Yes" : id == IDNO ? "No" : "other";
    names += (names.empty() ? "" : ",") + std::string(name);
  }
  return names;
}

}  // namespace

MessageBoxView WaitForMessageBox(Converter& converter, HWND owner) {
  MessageBoxView box;
  box.window = WaitForWindow(
      WindowQuery(converter.Process().Id()).OwnedBy(owner).WithChild(kTextId), "message box");
  box.caption = WindowText(box.window);
  box.text = WindowText(Control(box.window, kTextId));
  box.buttons = VisibleButtons(box.window);
  box.defaultButton = DefaultButton(box.window);
  box.icon = converter.Ask(box.window, probe::kIconKind);
  Trace("message box read");
  return box;
}

void Answer(const MessageBoxView& box, int id) {
  Post(Control(box.window, id), BM_CLICK, 0, 0);
  if (!WaitForWindowGone(box.window)) Fail("the message box stayed open after its button");
  Trace("message box answered");
}

void ExpectMessageBox(const MessageBoxView& box, const std::wstring& text,
                      const std::vector<int>& buttons, int defaultButton,
                      const std::wstring& icon) {
  ExpectText(box.caption, L"Convert", "message box caption");
  ExpectText(box.text, text, "message box text");
  std::vector<int> shown = box.buttons;
  std::vector<int> wanted = buttons;
  std::sort(shown.begin(), shown.end());
  std::sort(wanted.begin(), wanted.end());
  if (shown != wanted) {
    Fail("message box buttons: expected " + ButtonNames(buttons) + ", got " +
         ButtonNames(box.buttons));
  }
  ExpectNumber(box.defaultButton, defaultButton, "message box default button");
  ExpectText(box.icon, icon, "message box icon");
}

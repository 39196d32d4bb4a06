#include "dialog.h"

#include <cstddef>

#include "exception_report.h"
#include "win_app.h"
#include "window_placement.h"

namespace {

// Puts a variable back to its value when the scope ends, exceptions included:
// a handler may run a nested modal loop that dispatches to the same dialog.
class ScopedRestore {
 public:
  explicit ScopedRestore(bool& variable) : variable_(variable), saved_(variable) {}
  ~ScopedRestore() { variable_ = saved_; }
  ScopedRestore(const ScopedRestore&) = delete;
  ScopedRestore& operator=(const ScopedRestore&) = delete;

 private:
  bool& variable_;
  bool saved_;
};

}  // namespace

Dialog::Dialog(UINT templateId, HWND owner) : templateId_(templateId), owner_(owner) {}

INT_PTR Dialog::DoModal() {
  HWND owner = owner_ != nullptr ? owner_ : DefaultOwnerWindow();
  return DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(templateId_), owner,
                         &Dialog::DialogProcedure, reinterpret_cast<LPARAM>(this));
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

void Dialog::SetItemText(int id, const wchar_t* text) {
  SetDlgItemTextW(handle_, id, text);
}

// The one way from Windows into the dialog's code; nothing thrown below may
// cross it (an exception that leaves a window procedure ends the process).
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
    return dialog->Dispatch(message, wParam, lParam);
  } catch (...) {
    ReportCurrentException(window);
    return message == WM_INITDIALOG ? TRUE : FALSE;
  }
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return InitDialog();
  ScopedRestore restoreOuterRequest(defaultRequested_);
  defaultRequested_ = false;
  if (const MessageMapEntry* entry = FindEntry(message, wParam)) {
    const INT_PTR result = entry->invoke(*this, wParam, lParam);
    return defaultRequested_ ? FALSE : result;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case IDOK:
        OnOK();
        return TRUE;
      case IDCANCEL:
        OnCancel();
        return TRUE;
      default:
        break;
    }
  }
  return FALSE;
}

INT_PTR Dialog::InitDialog() {
  // The templates carry no centring style.
  CenterOverOwnerOrWorkArea(handle_);
  return OnInitDialog();
}

const MessageMapEntry* Dialog::FindEntry(UINT message, WPARAM wParam) const {
  for (const MessageMapEntry& entry : GetMessageMap()) {
    if (entry.message != message) continue;
    if (message != WM_COMMAND) return &entry;
    if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == entry.buttonId) return &entry;
  }
  return nullptr;
}

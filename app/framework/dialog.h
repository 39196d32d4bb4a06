// A modal dialog from a dialog template, run with DialogBoxParamW. Derived
// classes bind messages to their handlers with a message map (message_map.h);
// what the map does not handle gets the defaults: OK ends the dialog with
// IDOK, Cancel, Escape and the close box end it with IDCANCEL.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "message_map.h"

class Dialog {
 public:
  // `owner` null: the application's main window owns the dialog, if open.
  explicit Dialog(UINT templateId, HWND owner = nullptr);
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog until it ends; returns its result, -1 if it could not be
  // made.
  INT_PTR DoModal();
  HWND Handle() const { return handle_; }

 protected:
  // Returns TRUE to put the focus on the first control with a tab stop.
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  virtual std::span<const MessageMapEntry> GetMessageMap() const { return {}; }

  void EndDialog(INT_PTR result);
  // Within a handler: let Windows handle the message as well, as if the map
  // had no entry for it.
  void Default() { defaultRequested_ = true; }

  // The text of a child control, of any length.
  std::wstring ItemText(int id) const;
  void SetItemText(int id, const wchar_t* text);

 private:
  static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR InitDialog();
  const MessageMapEntry* FindEntry(UINT message, WPARAM wParam) const;

  UINT templateId_;
  HWND owner_;
  HWND handle_ = nullptr;
  bool defaultRequested_ = false;
};

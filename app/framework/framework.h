// A small dialog-application layer over plain Win32, the whole of its
// interface in one header:
//   Dialog         a modal dialog from a dialog template (dialog.cpp)
//   RunFileDialog  the Open and Save As dialogs (file_dialog.cpp)
//   ProgramInstance, ReportCurrentException   the module, and exceptions
//                  shown to the user (program.cpp)
// The guards for what Windows calls hand out are in scoped_win.h. The program
// brings its own wWinMain: a plain entry point needs no application object.
#pragma once

#include <windows.h>
// After windows.h: the OFN_ flags.
#include <commdlg.h>

#include <optional>
#include <string>

// The module whose resources the program loads.
HINSTANCE ProgramInstance();

// Shows the exception being handled in a message box owned by `owner`. An
// exception that leaves a window procedure ends the process, so every entry
// from Windows into our code catches everything and reports it here. Call
// only inside a catch block; never throws.
void ReportCurrentException(HWND owner) noexcept;

// A modal dialog from a dialog template, centred on its owner when it opens. Every message reaches
// OnMessage, which a subclass overrides with a switch of its own, passing on what it does not
// handle. By default OK ends the dialog with IDOK; Cancel, Escape and the close box with IDCANCEL.
class Dialog {
 public:
  explicit Dialog(UINT templateId) : templateId_(templateId) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog, owned by `owner` (none for the main window), until it
  // ends; returns its result, -1 if it could not be made.
  INT_PTR DoModal(HWND owner);
  HWND Handle() const { return handle_; }

 protected:
  // Returns what the dialog procedure returns: FALSE leaves the message to the
  // system, except for the few messages whose result Windows reads as it is
  // (WM_INITDIALOG, WM_QUERYDRAGICON).
  virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Returns TRUE to put the focus on the first control with a tab stop.
  virtual BOOL OnInitDialog() { return TRUE; }
  // A button clicked, or Enter or Escape standing for one; false leaves the
  // click to the system.
  virtual bool OnButtonClicked(int id);

  void EndDialog(INT_PTR result);
  // The text of a child control, of any length.
  std::wstring ItemText(int id) const;
  void SetItemText(int id, const std::wstring& text);

 private:
  static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  UINT templateId_;
  HWND handle_ = nullptr;
};

// What the Open or Save As dialog shows and accepts.
struct FileDialogOptions {
  bool save = false;                      // Save As instead of Open
  const wchar_t* defaultExtension = L"";  // ".ins" or "ins"; added to a name typed without one
  const wchar_t* initialName = L"";       // the name field's text when the dialog opens
  // Pairs of a description and a pattern, each item followed by "|", the list
  // closed by a further "|": "Text (*.txt)|*.txt|All Files (*.*)|*.*||".
  const wchar_t* filter = L"";
  const wchar_t* title = nullptr;  // null: the system's own title
  DWORD flags = 0;                 // OFN_ flags
  DWORD maxPathLength = 1024;      // longest path accepted, terminator included
};

// Runs the Open or Save As dialog, owned by `owner`. Returns the
// chosen file's full path; nothing when the user cancels or the dialog fails.
// The working directory is the same afterwards, whatever folder the user
// visited.
[[nodiscard]] std::optional<std::wstring> RunFileDialog(const FileDialogOptions& options,
                                                        HWND owner);

// The Open and Save As dialogs (GetOpenFileNameW / GetSaveFileNameW).
#pragma once

#include <windows.h>
// After windows.h: the OFN_ flags.
#include <commdlg.h>

#include <string>

struct FileDialogOptions {
  bool save = false;                      // Save As instead of Open
  const wchar_t* defaultExtension = L"";  // ".ins" or "ins"; added to a name typed without one
  const wchar_t* initialName = L"";       // the name field's text when the dialog opens
  DWORD flags = 0;                        // OFN_ flags
  // Pairs of a description and a pattern, each item followed by "|", the list
  // closed by a further "|": "Text (*.txt)|*.txt|All Files (*.*)|*.*||".
  const wchar_t* filter = L"";
  const wchar_t* title = nullptr;  // null: the system's own title
  HWND owner = nullptr;            // null: the application's main window
  DWORD maxPathLength = 1024;      // longest path accepted, terminator included
};

// Runs the dialog modally. On OK returns true with the chosen file's full path
// in `path`; false when the user cancels or the dialog fails.
bool RunFileDialog(const FileDialogOptions& options, std::wstring& path);

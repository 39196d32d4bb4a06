// The Open and Save As dialogs that the program's "..." buttons open.
#pragma once

#include <windows.h>

#include <string>

#include "converter.h"

struct FileDialogView {
  HWND window = nullptr;
  HWND fileName = nullptr;  // the edit control for the file name
  HWND fileType = nullptr;  // the combo box of the filter's pairs
};

// Waits for the file dialog with this caption ("Open" or "Save As").
FileDialogView WaitForFileDialog(const Converter& converter, const std::wstring& caption);
// Types `path` as the file name and presses the dialog's OK button.
void ChooseFile(const FileDialogView& dialog, const std::wstring& path);
// Presses the dialog's Cancel button and waits for it to close.
void CancelFileDialog(const FileDialogView& dialog);

#include "file_dialog.h"

#include "check.h"
#include "window_search.h"

namespace {

// The file name control: an edit, or a combo box with an edit inside.
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;
constexpr int kFileTypeCombo = 0x470;

HWND EditInside(HWND control) {
  if (ClassName(control) == L"Edit") return control;
  for (const HWND child : Children(control)) {
    if (const HWND edit = EditInside(child)) return edit;
  }
  return nullptr;
}

HWND FileNameEdit(HWND dialog) {
  for (const int id : {kFileNameCombo, kFileNameEdit}) {
    if (const HWND control = GetDlgItem(dialog, id)) {
      if (const HWND edit = EditInside(control)) return edit;
    }
  }
  Fail("the file dialog has no file name field");
}

}  // namespace

FileDialogView WaitForFileDialog(const Converter& converter, const std::wstring& caption) {
  FileDialogView view;
  view.window = WaitForWindow(WindowQuery(converter.Process().Id()).Captioned(caption),
                              "the " + ToUtf8(caption) + " dialog");
  view.fileName = FileNameEdit(view.window);
  view.fileType = GetDlgItem(view.window, kFileTypeCombo);
  return view;
}

void ChooseFile(const FileDialogView& dialog, const std::wstring& path) {
  SetWindowTextBounded(dialog.fileName, path);
  Post(Control(dialog.window, IDOK), BM_CLICK, 0, 0);
}

void CancelFileDialog(const FileDialogView& dialog) {
  Post(Control(dialog.window, IDCANCEL), BM_CLICK, 0, 0);
  if (!WaitForWindowGone(dialog.window)) Fail("the file dialog stayed open after Cancel");
}

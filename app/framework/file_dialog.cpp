#include <algorithm>
#include <cstddef>

#include "framework.h"
#include "scoped_win.h"

namespace {

// The system wants the pairs separated by zeros and the list closed by two.
std::wstring SystemFilter(const wchar_t* filter) {
  std::wstring items(filter);
  std::replace(items.begin(), items.end(), L'|', L'\0');
  return items;  // with the string's own terminator the list ends in two zeros
}

// The system adds its own period to the default extension; none at all when
// there is no extension.
const wchar_t* SystemDefaultExtension(const wchar_t* extension) {
  if (extension[0] == L'.') ++extension;
  return extension[0] != L'\0' ? extension : nullptr;
}

}  // namespace

std::optional<std::wstring> RunFileDialog(const FileDialogOptions& options, HWND owner) {
  const std::wstring filter = SystemFilter(options.filter);
  std::wstring buffer(options.initialName);
  buffer.resize(std::max<std::size_t>(options.maxPathLength, buffer.size() + 1), L'\0');

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;  // the first pair is in force when the dialog opens
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrDefExt = SystemDefaultExtension(options.defaultExtension);
  dialog.lpstrTitle = options.title;
  dialog.Flags = options.flags;

  const WorkingDirectoryGuard keepWorkingDirectory;
  const BOOL chosen = options.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  if (!chosen) return std::nullopt;
  return std::wstring(buffer.c_str());
}

#include "browse_for_file.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "framework/file_dialog.h"
#include "framework/scoped_win.h"

int BrowseForFile(std::span<wchar_t> result, bool save, const wchar_t* defaultExtension,
                  const wchar_t* initialName, const wchar_t* filter, const wchar_t* title) {
  if (result.empty()) return -1;
  FileDialogOptions options;
  options.save = save;
  options.defaultExtension = defaultExtension;
  options.initialName = initialName;
  // No existence check: a name typed in the Open dialog is taken as it is.
  options.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  options.filter = filter;
  options.title = title;
  // Longer paths are refused by the dialog itself, so the chosen one fits.
  options.maxPathLength = static_cast<DWORD>(result.size());

  const WorkingDirectoryGuard keepWorkingDirectory;
  std::wstring path;
  if (!RunFileDialog(options, path)) return -1;
  const std::size_t length = std::min(path.size(), result.size() - 1);
  std::copy_n(path.begin(), length, result.begin());
  result[length] = L'\0';
  return 0;
}

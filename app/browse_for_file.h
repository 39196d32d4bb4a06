// Asks the user for a file with the Open or Save As dialog.
#pragma once

#include <span>

// Returns 0 when the user chose a file, whose full path is then in `result`
// (zero-terminated), and -1 otherwise, leaving `result` as it was. The
// filter lists "description|pattern|" pairs and ends in a further "|"; the
// working directory is the same afterwards, whatever folder the user visited.
int BrowseForFile(std::span<wchar_t> result, bool save, const wchar_t* defaultExtension,
                  const wchar_t* initialName, const wchar_t* filter,
                  const wchar_t* title = nullptr);

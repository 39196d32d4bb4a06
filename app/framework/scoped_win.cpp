#include "scoped_win.h"

#include <cstddef>

WorkingDirectoryGuard::WorkingDirectoryGuard() {
  // Any length: ask for the size, then read; retry if it grew in between.
  for (;;) {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);  // with the terminator
    if (needed == 0) return;
    saved_.resize(needed);
    const DWORD written = GetCurrentDirectoryW(needed, saved_.data());
    if (written < needed) {
      saved_.resize(written);
      return;
    }
  }
}

WorkingDirectoryGuard::~WorkingDirectoryGuard() {
  if (!saved_.empty()) SetCurrentDirectoryW(saved_.c_str());
}

// Shows the exception being handled in a message box. Windows code cannot be
// unwound through (an exception that leaves a window procedure ends the
// process), so every entry from Windows into our code catches everything and
// reports it here.
#pragma once

#include <windows.h>

// Call only inside a catch block. Never throws.
void ReportCurrentException(HWND owner) noexcept;

// Where a dialog appears when it opens.
#pragma once

#include <windows.h>

// Centres `window` over its owner when the owner is shown and not minimized,
// otherwise in the work area of the window's monitor; in either case it is
// kept inside that work area.
void CenterOverOwnerOrWorkArea(HWND window);

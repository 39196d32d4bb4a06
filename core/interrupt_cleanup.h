// The temporary file of a write in progress is removed when the program is
// interrupted (Ctrl+C, a closed terminal or console, a kill), so that no
// hidden file of hundreds of megabytes is left beside the target. As with
// git's tempfile, the file being written is known process-wide, so that the
// handler can remove it; the program then ends as that interruption ends it.
#pragma once

#include "native_path.h"

// Installs the handlers: SIGINT, SIGTERM and SIGHUP where the program does not
// ignore them; on Windows Ctrl+C, Ctrl+Break and the closing of the console.
// A program that writes patch maps calls it once at its start; without it
// nothing is removed on an interruption.
void RemoveTemporaryOnInterrupt();

// The file that an interruption removes: `path` (which must stay valid and
// unchanged until the next call), or none for nullptr. One file at a time.
void SetTemporaryToRemove(const NativePath::value_type* path);

// Holds interruptions back until ReleaseInterrupts, so that a temporary is
// made and named to the handler in one step; one that comes meanwhile is
// handled at the release. Faults of the program's own are never held. Not
// nested.
void HoldInterrupts();
void ReleaseInterrupts();

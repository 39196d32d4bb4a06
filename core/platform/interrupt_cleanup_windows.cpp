// Removing the temporary on Ctrl+C, Ctrl+Break and the closing of the
// console. Windows runs the handler on a thread of its own, so the path is
// handed over under a lock. The temporary is open for writing then; it is
// made with FILE_SHARE_DELETE, so that deleting it here removes it as soon as
// the process ends and closes it.
#include <windows.h>

#include "interrupt_cleanup.h"

namespace {

CRITICAL_SECTION lock;
bool installed = false;
const wchar_t* pendingTemporary = nullptr;

BOOL WINAPI RemoveOnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      EnterCriticalSection(&lock);
      if (pendingTemporary != nullptr) DeleteFileW(pendingTemporary);
      // Ended here with the status Windows gives an interrupted program
      // (not every default handler gives it), while the lock keeps the
      // writer from making another temporary.
      ExitProcess(STATUS_CONTROL_C_EXIT);
    default:
      return FALSE;
  }
}

}  // namespace

void RemoveTemporaryOnInterrupt() {
  if (installed) return;
  InitializeCriticalSection(&lock);
  installed = true;
  SetConsoleCtrlHandler(RemoveOnConsoleEvent, TRUE);
}

void SetTemporaryToRemove(const wchar_t* path) {
  if (!installed) return;
  EnterCriticalSection(&lock);
  pendingTemporary = path;
  LeaveCriticalSection(&lock);
}

// The handler waits for the lock, as it does while a path is handed over.
void HoldInterrupts() {
  if (installed) EnterCriticalSection(&lock);
}

void ReleaseInterrupts() {
  if (installed) LeaveCriticalSection(&lock);
}

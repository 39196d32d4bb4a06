// Removing the temporary on SIGINT, SIGTERM and SIGHUP. The handler runs on
// the thread it interrupts and calls only unlink, signal and raise, which are
// safe in a handler.
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "interrupt_cleanup.h"

namespace {

std::atomic<const char*> pendingTemporary{nullptr};

void RemoveAndEndAsTheSignalDoes(int signalNumber) {
  if (const char* path = pendingTemporary.load()) ::unlink(path);
  // Blocked while this handler runs, the signal is taken again on return,
  // now by its default action: the caller sees the usual status.
  ::signal(signalNumber, SIG_DFL);
  ::raise(signalNumber);
}

}  // namespace

void RemoveTemporaryOnInterrupt() {
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    // A signal ignored when the program started (nohup, a background job)
    // stays ignored.
    if (::sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) {
      continue;
    }
    struct sigaction removing {};
    removing.sa_handler = RemoveAndEndAsTheSignalDoes;
    sigemptyset(&removing.sa_mask);
    ::sigaction(signalNumber, &removing, nullptr);
  }
}

void SetTemporaryToRemove(const char* path) {
  pendingTemporary.store(path);
}

// Removing the temporary on every signal whose default action ends the
// process: interruptions (SIGINT, SIGTERM, SIGHUP, SIGQUIT), timers and user
// signals, a closed pipe, the program's own faults. The handler runs on the
// thread it interrupts and calls only unlink, sigaction and raise, which are
// safe in a handler; then the signal ends the program as it would have.
//
// A write beyond the file-size limit (ulimit -f) raises SIGXFSZ, which would
// end the program without a word: taken from the kernel, it is let pass, so
// that the write fails with EFBIG and is reported like a full disk.
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "interrupt_cleanup.h"

namespace {

std::atomic<const char*> pendingTemporary{nullptr};
sigset_t maskBeforeHold;

// The signals whose default action ends the process, but SIGKILL, which no
// handler sees.
constexpr int kEndingSignals[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1, SIGSEGV,
    SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGIO
    SIGIO,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

constexpr int kMaxSignal = 128;
struct sigaction earlierActions[kMaxSignal];

// A fault of the program's own code, raised by the instruction it executes;
// returning from the handler executes it again.
bool IsOwnFault(int signalNumber, const siginfo_t* info) {
  const bool faultSignal = signalNumber == SIGSEGV || signalNumber == SIGBUS ||
                           signalNumber == SIGILL || signalNumber == SIGFPE;
  return faultSignal && info != nullptr && info->si_code > 0;  // not sent by a process
}

// The kernel sends SIGXFSZ for a write beyond the limit in the name of the
// process itself.
bool IsFileSizeLimit(int signalNumber, const siginfo_t* info) {
  return signalNumber == SIGXFSZ && info != nullptr &&
         (info->si_code > 0 || info->si_pid == ::getpid());
}

void RemoveAndEndAsTheSignalDoes(int signalNumber, siginfo_t* info, void*) {
  if (IsFileSizeLimit(signalNumber, info)) return;  // the write fails with EFBIG
  if (const char* path = pendingTemporary.load()) ::unlink(path);
  // The action the signal had before, usually its default one. A signal
  // blocked while this handler runs is taken again on return; a fault is
  // raised again by its instruction. Either way the caller sees the usual
  // status, and a sanitizer's own handler still reports a fault.
  ::sigaction(signalNumber, &earlierActions[signalNumber], nullptr);
  if (!IsOwnFault(signalNumber, info)) ::raise(signalNumber);
}

void Install(int signalNumber) {
  if (signalNumber <= 0 || signalNumber >= kMaxSignal) return;
  struct sigaction& earlier = earlierActions[signalNumber];
  // A signal ignored when the program started (nohup, a background job)
  // stays ignored.
  if (::sigaction(signalNumber, nullptr, &earlier) != 0 || earlier.sa_handler == SIG_IGN) return;
  struct sigaction removing {};
  removing.sa_sigaction = RemoveAndEndAsTheSignalDoes;
  removing.sa_flags = SA_SIGINFO;
  sigemptyset(&removing.sa_mask);
  ::sigaction(signalNumber, &removing, nullptr);
}

}  // namespace

void RemoveTemporaryOnInterrupt() {
  for (const int signalNumber : kEndingSignals) Install(signalNumber);
#ifdef SIGRTMIN
  // Real-time signals end the process too unless handled.
  for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX; ++signalNumber) Install(signalNumber);
#endif
}

void SetTemporaryToRemove(const char* path) {
  pendingTemporary.store(path);
}

void HoldInterrupts() {
  sigset_t held;
  sigfillset(&held);
  for (const int fault : {SIGILL, SIGTRAP, SIGBUS, SIGFPE, SIGSEGV, SIGSYS})
    sigdelset(&held, fault);
  ::sigprocmask(SIG_BLOCK, &held, &maskBeforeHold);
}

void ReleaseInterrupts() {
  ::sigprocmask(SIG_SETMASK, &maskBeforeHold, nullptr);
}

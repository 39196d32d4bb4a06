#include "waiting.h"

// Win32 Sleep rather than std::this_thread: MinGW's win32 thread model has none.
#include <windows.h>

#include <cstdio>

namespace {
double timeScale = 1.0;
bool tracing = false;
ULONGLONG traceStart = 0;
constexpr Milliseconds kPollInterval{25};
}  // namespace

void SetTimeScale(double scale) {
  timeScale = scale;
}

Milliseconds Scaled(Milliseconds timeout) {
  return Milliseconds{static_cast<long long>(static_cast<double>(timeout.count()) * timeScale)};
}

bool WaitUntil(const std::function<bool()>& done, Milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + Scaled(timeout);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    Sleep(static_cast<DWORD>(kPollInterval.count()));
  }
  return true;
}

void EnableTrace() {
  tracing = true;
  traceStart = GetTickCount64();
}

void Trace(const char* step) {
  if (!tracing) return;
  std::fprintf(stderr, "  %7.2f s  %s\n",
               static_cast<double>(GetTickCount64() - traceStart) / 1000.0, step);
}

void Settle(Milliseconds time) {
  Sleep(static_cast<DWORD>(Scaled(time).count()));
}

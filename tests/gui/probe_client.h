// The driver's side of the probe: installs the probe library's hook on the
// program's user-interface thread for one question, asks it and reads the
// answer from shared memory.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "probe_protocol.h"

class ProbeClient {
 public:
  explicit ProbeClient(const std::filesystem::path& library);
  ~ProbeClient();
  ProbeClient(const ProbeClient&) = delete;
  ProbeClient& operator=(const ProbeClient&) = delete;

  // Asks `question` about `window`, which must belong to the thread `threadId`.
  std::wstring Ask(DWORD threadId, HWND window, probe::Question question);

 private:
  HMODULE library_ = nullptr;
  HOOKPROC hook_ = nullptr;
  HANDLE mapping_ = nullptr;
  probe::Answer* answer_ = nullptr;
  UINT message_ = 0;
};

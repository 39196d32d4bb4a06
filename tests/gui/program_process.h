// The program under test as a process: started with a chosen working folder,
// watched for its end, and ended by force if a case leaves it running.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "waiting.h"

class ProgramProcess {
 public:
  ProgramProcess(const std::filesystem::path& program, const std::filesystem::path& startFolder);
  ~ProgramProcess();
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  DWORD Id() const { return info_.dwProcessId; }
  // The main thread, which runs the program's user interface.
  DWORD ThreadId() const { return info_.dwThreadId; }

  bool HasEnded() const;
  bool WaitForEnd(Milliseconds timeout) const;

 private:
  PROCESS_INFORMATION info_{};
};

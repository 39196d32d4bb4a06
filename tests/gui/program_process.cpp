#include "program_process.h"

#include "check.h"

ProgramProcess::ProgramProcess(const std::filesystem::path& program,
                               const std::filesystem::path& startFolder) {
  std::wstring commandLine = L"\"" + program.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      startFolder.c_str(), &startup, &info_)) {
    Fail("cannot start " + ToUtf8(program.wstring()) + " (error " + std::to_string(GetLastError()) +
         ")");
  }
}

ProgramProcess::~ProgramProcess() {
  if (!HasEnded()) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, static_cast<DWORD>(Scaled(kEndTimeout).count()));
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool ProgramProcess::HasEnded() const {
  return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0;
}

bool ProgramProcess::WaitForEnd(Milliseconds timeout) const {
  return WaitUntil([this] { return HasEnded(); }, timeout);
}

#include "probe_client.h"

#include "check.h"
#include "window_search.h"

ProbeClient::ProbeClient(const std::filesystem::path& library) {
  library_ = LoadLibraryW(library.c_str());
  if (!library_) Fail("cannot load the probe library " + ToUtf8(library.wstring()));
  hook_ = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(GetProcAddress(library_, probe::kHookProcName)));
  mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                sizeof(probe::Answer), probe::kSharedMemoryName);
  if (mapping_) {
    answer_ = static_cast<probe::Answer*>(
        MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(probe::Answer)));
  }
  if (!hook_ || !answer_) Fail("cannot set up the probe");
  message_ = RegisterWindowMessageW(probe::kMessageName);
}

ProbeClient::~ProbeClient() {
  if (answer_) UnmapViewOfFile(answer_);
  if (mapping_) CloseHandle(mapping_);
  if (library_) FreeLibrary(library_);
}

std::wstring ProbeClient::Ask(DWORD threadId, HWND window, probe::Question question) {
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, hook_, library_, threadId);
  if (!hook)
    Fail("cannot hook the program's thread (error " + std::to_string(GetLastError()) + ")");
  answer_->answered = 0;
  answer_->text[0] = L'\0';
  try {
    SendBounded(window, message_, question, 0);
  } catch (...) {
    UnhookWindowsHookEx(hook);
    throw;
  }
  UnhookWindowsHookEx(hook);
  if (!answer_->answered) Fail("the probe did not answer inside the program");
  return answer_->text;
}

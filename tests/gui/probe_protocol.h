// What the test driver and the probe library, which a hook loads into the
// program under test, agree on: a registered message that carries a question
// and a named shared memory block that carries the answer. Some facts can only
// be read from inside the program's own process under Wine: its menus, its
// icon handles, its working directory and its focus.
#pragma once

#include <cstddef>

namespace probe {

inline constexpr wchar_t kMessageName[] = L"PatchConverterGuiTestProbe";
inline constexpr wchar_t kSharedMemoryName[] = L"Local\\PatchConverterGuiTestProbe";
// The hook procedure the driver installs; exported undecorated by the library.
inline constexpr char kHookProcName[] = "ProbeHook";

// The question, in the registered message's wParam; it is asked of the window
// the message is sent to.
enum Question : unsigned {
  kWindowMenu = 1,        // the window menu's items, one a line: "-" or "<id>\t<text>"
  kIconKind = 2,          // which system icon a message box shows
  kWorkingDirectory = 3,  // the process's working directory
  kFocusedControlId = 4,  // the identifier of the control that has the focus
  kWindowIcons = 5,       // which of the window's icons are set: "large small"
};

// The shared memory block. The driver clears `answered` before each question;
// the probe sets it after writing the zero-terminated answer. The hook runs
// before the window procedure within the sent message, so the answer is there
// when the driver's SendMessage returns.
inline constexpr std::size_t kAnswerChars = 16384;
struct Answer {
  volatile long answered;
  wchar_t text[kAnswerChars];
};

}  // namespace probe

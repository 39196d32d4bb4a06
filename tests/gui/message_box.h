// A message box of the program under test, as the user sees it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class Converter;

struct MessageBoxView {
  HWND window = nullptr;
  std::wstring caption;
  std::wstring text;         // the text of its child 0xFFFF
  std::vector<int> buttons;  // identifiers of its visible buttons, in z order
  int defaultButton = 0;     // 0 when it has none
  std::wstring icon;         // "question", "exclamation", "information", "error", "none"
};

// Waits for the message box that `owner` of the program's process opens.
MessageBoxView WaitForMessageBox(Converter& converter, HWND owner);
// Presses the button `id` of the box and waits for the box to close.
void Answer(const MessageBoxView& box, int id);
// Fails the case unless the box has exactly these caption, text, buttons,
// default button and icon.
void ExpectMessageBox(const MessageBoxView& box, const std::wstring& text,
                      const std::vector<int>& buttons, int defaultButton, const std::wstring& icon);

// The converter program driven from outside, as a person would: started in a
// folder, its dialog found, its fields filled, its buttons and keys pressed.
#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>

#include "environment.h"
#include "message_box.h"
#include "probe_protocol.h"
#include "program_process.h"

// Identifiers of the converter dialog and its window menu.
inline constexpr int kInsPath = 1000;
inline constexpr int kVpmPath = 1001;
inline constexpr int kBrowseIns = 1002;
inline constexpr int kBrowseVpm = 1003;
inline constexpr WPARAM kAboutCommand = 0x0010;
inline constexpr wchar_t kConverterCaption[] = L"Halvorn Quintara Patch Map Converter";

class Converter {
 public:
  // Starts the program in `startFolder` and waits for its dialog.
  Converter(const Environment& environment, const std::filesystem::path& startFolder);

  const ProgramProcess& Process() const { return *process_; }
  HWND Dialog() const { return dialog_; }
  HWND ControlOf(int id) const;

  void SetField(int id, const std::wstring& text);
  std::wstring Field(int id) const;
  // A click on a button, posted: a handler that opens a modal window
  // returns only when that window closes.
  void Click(int id);
  // A key pressed and released in the control `id`, which should have the focus.
  void PressKey(int id, WPARAM virtualKey);
  void SystemCommand(WPARAM command);

  MessageBoxView WaitForMessageBox() { return ::WaitForMessageBox(*this, dialog_); }
  std::wstring Ask(HWND window, probe::Question question);
  // The identifier of the control that has the focus inside the program.
  int FocusedControl();

  bool WaitForEnd() const;
  // Fails the case unless the program still runs with its dialog shown.
  void ExpectStillOpen() const;

 private:
  const Environment& environment_;
  std::unique_ptr<ProgramProcess> process_;
  HWND dialog_ = nullptr;
};

// Presses CONVERT, checks the confirmation and answers it with Yes; returns
// the message box that reports the outcome.
MessageBoxView ConvertConfirmed(Converter& converter);
// The same up to the confirmation, which it returns unanswered.
MessageBoxView PressConvert(Converter& converter);

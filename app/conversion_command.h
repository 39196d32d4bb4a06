// The CONVERT command of the converter dialog, in portable code: it talks to
// its dialog only through ConversionDialog, so it runs (and is tested) without
// any window.
#pragma once

#include <string>

// Message box types and answers, with the values the Windows API gives them.
namespace message_box {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr int kIdYes = 6;
}  // namespace message_box

// Control identifiers of the converter dialog's path fields.
inline constexpr int kIdcInsPath = 1000;
inline constexpr int kIdcVpmPath = 1001;

// What the command needs of its dialog.
class ConversionDialog {
 public:
  virtual ~ConversionDialog() = default;
  // A modal message box owned by the dialog; returns the button pressed.
  virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                             unsigned type) = 0;
  // The text of the child edit control `id`, as it stands.
  virtual std::wstring FieldText(int id) = 0;
  // The dialog's OK action: ends the dialog with IDOK.
  virtual void EndWithOk() = 0;
};

// Confirms, converts the file named in the source field into the one named in
// the target field, and reports the outcome; ends the dialog on success.
void RunConversionCommand(ConversionDialog& dialog);

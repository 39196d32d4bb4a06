// The CONVERT command of the converter window, in portable code: it talks to
// the window only through ConversionHost, so it runs (and is tested) without
// any window. Its messages (texts, caption, buttons, icon) are here too, for the
// same reason.
#pragma once

#include <string>

// Why a confirmed conversion did not happen.
enum class ConversionFailure { kCannotLoadSource, kCannotCreateTarget };

// What the command needs of the window it runs in.
class ConversionHost {
 public:
  virtual ~ConversionHost() = default;
  // Asks the user whether to convert; true when the answer is Yes.
  virtual bool ConfirmConversion() = 0;
  // The paths of the source and the target, as they stand in their fields.
  virtual std::wstring SourcePath() = 0;
  virtual std::wstring TargetPath() = 0;
  virtual void ReportFailure(ConversionFailure failure) = 0;
  // `targetPath` is the text TargetPath gave.
  virtual void ReportSuccess(const std::wstring& targetPath) = 0;
  // Closes the window after a success.
  virtual void End() = 0;
};

// Confirms, converts the source into the target and reports the outcome;
// ends the host's window on success only.
void RunConversionCommand(ConversionHost& host);

// The buttons and the icon of a message box, with the values the Windows API
// gives them.
enum class MessageButtons : unsigned { kOk = 0x0, kYesNo = 0x4 };
enum class MessageIcon : unsigned { kQuestion = 0x20, kExclamation = 0x30, kInformation = 0x40 };

// A message box of the command, as the host shows it.
struct ConversionMessage {
  std::wstring text;
  std::wstring caption;
  MessageButtons buttons;
  MessageIcon icon;
  bool operator==(const ConversionMessage&) const = default;
};

ConversionMessage ConfirmationMessage();
ConversionMessage FailureMessage(ConversionFailure failure);
ConversionMessage SuccessMessage(const std::wstring& targetPath);

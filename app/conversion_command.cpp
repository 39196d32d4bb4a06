#include "conversion_command.h"

#include "instrument_definition.h"
#include "native_path.h"

void RunConversionCommand(ConversionHost& host) {
  if (!host.ConfirmConversion()) return;
  // Cleared by its destructor on every way out, an exception included.
  InstrumentDefinition instrument;
  const std::wstring sourcePath = host.SourcePath();
  const std::wstring targetPath = host.TargetPath();
  // The core's operations return 0 on success and -1 on failure.
  if (instrument.LoadInstrumentFile(NativePathFromWide(sourcePath)) != 0) {
    host.ReportFailure(ConversionFailure::kCannotLoadSource);
    return;
  }
  if (instrument.WritePatchMap(NativePathFromWide(targetPath)) != 0) {
    host.ReportFailure(ConversionFailure::kCannotCreateTarget);
    return;
  }
  host.ReportSuccess(targetPath);
  host.End();
}

namespace {

const wchar_t* const kCaption = L"Convert";

}  // namespace

ConversionMessage ConfirmationMessage() {
  return {L"This will convert the .INS file to .VPM format.\nAre you sure?", kCaption,
          MessageButtons::kYesNo, MessageIcon::kQuestion};
}

ConversionMessage FailureMessage(ConversionFailure failure) {
  const wchar_t* text = failure == ConversionFailure::kCannotLoadSource ? L"Cannot load INS file"
                                                                        : L"Cannot create VPM file";
  return {text, kCaption, MessageButtons::kOk, MessageIcon::kExclamation};
}

ConversionMessage SuccessMessage(const std::wstring& targetPath) {
  return {L"Conversion was successful and " + targetPath + L" has been created.", kCaption,
          MessageButtons::kOk, MessageIcon::kInformation};
}

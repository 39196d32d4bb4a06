#include "conversion_command.h"

#include <filesystem>

#include "instrument_definition.h"

namespace {

const std::wstring kCaption = L"Convert";

std::wstring SuccessText(const std::wstring& targetPath) {
  return L"Conversion was successful and " + targetPath + L" has been created.";
}

}  // namespace

void RunConversionCommand(ConversionDialog& dialog) {
  using namespace message_box;
  if (dialog.ShowMessageBox(L"This will convert the .INS file to .VPM format.\nAre you sure?",
                            kCaption, kYesNo | kIconQuestion) != kIdYes) {
    return;
  }
  // Cleared by its destructor on every way out, an exception included.
  InstrumentDefinition instrument;
  const std::wstring sourcePath = dialog.FieldText(kIdcInsPath);
  const std::wstring targetPath = dialog.FieldText(kIdcVpmPath);
  if (instrument.LoadInstrumentFile(std::filesystem::path(sourcePath)) != 0) {
    dialog.ShowMessageBox(L"Cannot load INS file", kCaption, kOk | kIconExclamation);
    return;
  }
  if (instrument.WritePatchMap(std::filesystem::path(targetPath)) != 0) {
    dialog.ShowMessageBox(L"Cannot create VPM file", kCaption, kOk | kIconExclamation);
    return;
  }
  dialog.ShowMessageBox(SuccessText(targetPath), kCaption, kOk | kIconInformation);
  dialog.EndWithOk();
}

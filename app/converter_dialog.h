// The program's one window: the paths of the source .ins file and the target
// .vpm file, a browse button beside each, CONVERT and Cancel.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "conversion_command.h"
#include "framework/dialog.h"

class ConverterDialog final : public Dialog, private ConversionHost {
 public:
  ConverterDialog();

 private:
  BOOL OnInitDialog() override;
  std::span<const MessageMapEntry> GetMessageMap() const override;

  void OnSysCommand(UINT command, LPARAM position);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnConvert();
  void OnBrowseIns();
  void OnBrowseVpm();

  void AppendAboutCommand();

  // What the conversion command needs of its window.
  bool ConfirmConversion() override;
  std::wstring SourcePath() override;
  std::wstring TargetPath() override;
  void ReportFailure(ConversionFailure failure) override;
  void ReportSuccess(const std::wstring& targetPath) override;
  void End() override;
  int Show(const ConversionMessage& message);

  HICON icon_;
};

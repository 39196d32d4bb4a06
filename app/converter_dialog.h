// The program's one window: the paths of the source .ins file and the target
// .vpm file, a browse button beside each, CONVERT and Cancel. Its window menu
// opens the About box.
#pragma once

#include <string>

#include "conversion_command.h"
#include "framework/framework.h"

class ConverterDialog final : public Dialog, private ConversionHost {
 public:
  ConverterDialog();

 private:
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnButtonClicked(int id) override;
  BOOL OnInitDialog() override;

  // Each returns whether it handled its message; if not, the system does.
  bool OnSysCommand(UINT command, LPARAM position);
  bool OnPaint();
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

// The application object: runs the converter dialog and ends the program
// when the dialog ends.
#include "framework/framework.h"
// After windows.h, which the framework brings.
#include <commctrl.h>

#include "converter_dialog.h"

class ConverterApp final : public WinApp {
 public:
  bool InitInstance() override;
};

// The program's one application object; wWinMain runs it.
ConverterApp theApp;

bool ConverterApp::InitInstance() {
  InitCommonControls();
  // The program keeps no settings: nothing is read or stored between runs,
  // and its dialogs host no ActiveX controls.
  ConverterDialog dialog;
  SetMainWindow(&dialog);
  dialog.DoModal();  // every way the dialog ends, ends the program
  SetMainWindow(nullptr);
  // No message loop of our own: the program ends here.
  return false;
}

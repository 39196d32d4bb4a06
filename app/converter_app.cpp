// The application object and the program's entry point: the converter
// dialog runs, and the program ends when the dialog ends.
#include "framework/framework.h"
// After windows.h, which the framework brings.
#include <commctrl.h>

#include "converter_dialog.h"

class ConverterApp final {
 public:
  // Does all the work; false: there is no message loop of the program's own
  // to enter after it.
  bool InitInstance();
};

bool ConverterApp::InitInstance() {
  InitCommonControls();
  // The program keeps no settings: nothing is read or stored between runs,
  // and its dialogs host no ActiveX controls.
  ConverterDialog dialog;
  dialog.DoModal(nullptr);  // every way the dialog ends, ends the program
  return false;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    ConverterApp app;
    (void)app.InitInstance();  // the program ends here whatever it returns
    return 0;
  } catch (...) {
    ReportCurrentException(nullptr);
    return 1;
  }
}

#include "converter_app.h"

#include <commctrl.h>

#include "converter_dialog.h"

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

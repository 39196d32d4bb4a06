// The application object: runs the converter dialog and ends the program
// when the dialog ends.
#pragma once

#include "framework/framework.h"

class ConverterApp final : public WinApp {
 public:
  bool InitInstance() override;
};

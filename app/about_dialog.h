// The About box, opened from the converter's window menu. Its OK button,
// Escape and its close box end it.
#pragma once

#include "framework/dialog.h"

class AboutDialog final : public Dialog {
 public:
  AboutDialog();
};

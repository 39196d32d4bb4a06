#include "converter.h"

#include "check.h"
#include "window_search.h"

Converter::Converter(const Environment& environment, const std::filesystem::path& startFolder)
    : environment_(environment),
      process_(std::make_unique<ProgramProcess>(environment.program, startFolder)) {
  Trace("program started");
  dialog_ = WaitForWindow(WindowQuery(process_->Id()).OwnedBy(nullptr).Captioned(kConverterCaption),
                          "the converter dialog");
  Trace("converter dialog found");
}

HWND Converter::ControlOf(int id) const {
  return Control(dialog_, id);
}

void Converter::SetField(int id, const std::wstring& text) {
  SetWindowTextBounded(ControlOf(id), text);
}

std::wstring Converter::Field(int id) const {
  return WindowText(ControlOf(id));
}

void Converter::Click(int id) {
  Post(ControlOf(id), BM_CLICK, 0, 0);
}

void Converter::PressKey(int id, WPARAM virtualKey) {
  const HWND control = ControlOf(id);
  const UINT scanCode = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
  // Repeat count 1 and the scan code; key up adds "was down" and "released".
  const UINT downBits = 1u | (scanCode << 16);
  const UINT upBits = downBits | (1u << 30) | (1u << 31);
  Post(control, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(static_cast<LONG>(downBits)));
  Post(control, WM_KEYUP, virtualKey, static_cast<LPARAM>(static_cast<LONG>(upBits)));
}

void Converter::SystemCommand(WPARAM command) {
  Post(dialog_, WM_SYSCOMMAND, command, 0);
}

std::wstring Converter::Ask(HWND window, probe::Question question) {
  return environment_.probe->Ask(process_->ThreadId(), window, question);
}

int Converter::FocusedControl() {
  const std::wstring answer = Ask(dialog_, probe::kFocusedControlId);
  return answer == L"none" ? 0 : std::stoi(answer);
}

bool Converter::WaitForEnd() const {
  const bool ended = process_->WaitForEnd(kEndTimeout);
  Trace(ended ? "program ended" : "program still running");
  return ended;
}

void Converter::ExpectStillOpen() const {
  Expect(!process_->HasEnded(), "the program ended, but should still run");
  Expect(IsWindow(dialog_) && IsWindowVisible(dialog_), "the converter dialog is gone");
}

MessageBoxView PressConvert(Converter& converter) {
  converter.Click(IDOK);
  MessageBoxView confirmation = converter.WaitForMessageBox();
  ExpectMessageBox(confirmation, L"This will convert the .INS file to .VPM format.\nAre you sure?",
                   {IDYES, IDNO}, IDYES, L"question");
  return confirmation;
}

MessageBoxView ConvertConfirmed(Converter& converter) {
  Answer(PressConvert(converter), IDYES);
  return converter.WaitForMessageBox();
}

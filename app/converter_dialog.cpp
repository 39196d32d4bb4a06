#include "converter_dialog.h"

#include <array>

#include "about_dialog.h"
#include "browse_for_file.h"
#include "framework/scoped_win.h"
#include "framework/win_app.h"
#include "resource.h"

// The conversion command is portable and spells these values out itself.
static_assert(MessageButtons::kOk == MessageButtons{MB_OK});
static_assert(MessageButtons::kYesNo == MessageButtons{MB_YESNO});
static_assert(MessageIcon::kQuestion == MessageIcon{MB_ICONQUESTION});
static_assert(MessageIcon::kExclamation == MessageIcon{MB_ICONEXCLAMATION});
static_assert(MessageIcon::kInformation == MessageIcon{MB_ICONINFORMATION});
static_assert((IDM_ABOUTBOX & 0xFFF0) == IDM_ABOUTBOX && IDM_ABOUTBOX < 0xF000);

namespace {

// Room for the path a file dialog returns, terminator included.
constexpr std::size_t kBrowsePathLength = 1024;

}  // namespace

ConverterDialog::ConverterDialog()
    : Dialog(IDD_CONVERTER), icon_(LoadIconW(ProgramInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

std::span<const MessageMapEntry> ConverterDialog::GetMessageMap() const {
  static constexpr MessageMapEntry kMap[] = {
      MapMessage<WM_SYSCOMMAND, &ConverterDialog::OnSysCommand>(),
      MapMessage<WM_PAINT, &ConverterDialog::OnPaint>(),
      MapMessage<WM_QUERYDRAGICON, &ConverterDialog::OnQueryDragIcon>(),
      MapButtonClick<IDOK, &ConverterDialog::OnConvert>(),
      MapButtonClick<IDC_BROWSE_INS, &ConverterDialog::OnBrowseIns>(),
      MapButtonClick<IDC_BROWSE_VPM, &ConverterDialog::OnBrowseVpm>(),
  };
  return kMap;
}

BOOL ConverterDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  AppendAboutCommand();
  SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  return TRUE;  // the focus goes to the source path field
}

// Ends the window menu with a separator and the About command.
void ConverterDialog::AppendAboutCommand() {
  HMENU menu = GetSystemMenu(Handle(), FALSE);
  if (menu == nullptr) return;
  // With a length of zero, LoadStringW points into the resource itself.
  const wchar_t* text = nullptr;
  const int length =
      LoadStringW(ProgramInstance(), IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0) return;
  const std::wstring item(text, static_cast<std::size_t>(length));
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, item.c_str());
}

void ConverterDialog::OnSysCommand(UINT command, LPARAM /*position*/) {
  if ((command & 0xFFF0) == IDM_ABOUTBOX) {
    AboutDialog about;
    about.DoModal();
  } else {
    Default();
  }
}

// Minimized, the window shows its icon centred in the client area.
void ConverterDialog::OnPaint() {
  if (!IsIconic(Handle())) {
    Default();
    return;
  }
  const PaintDc dc(Handle());
  SendMessageW(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Handle()), 0);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  RECT client{};
  GetClientRect(Handle(), &client);
  const int x = (client.right - client.left - iconWidth + 1) / 2;
  const int y = (client.bottom - client.top - iconHeight + 1) / 2;
  DrawIcon(dc.Handle(), x, y, icon_);
}

// The cursor shown while the minimized window is dragged.
HCURSOR ConverterDialog::OnQueryDragIcon() {
  return static_cast<HCURSOR>(icon_);
}

void ConverterDialog::OnConvert() {
  RunConversionCommand(*this);
}

void ConverterDialog::OnBrowseIns() {
  std::array<wchar_t, kBrowsePathLength> path{};
  if (BrowseForFile(path, false, L".ins", L"*.ins",
                    L"Instrument Files (*.ins)|*.ins|All Files (*.*)|*.*||") == 0) {
    SetItemText(IDC_INS_PATH, path.data());
  }
}

void ConverterDialog::OnBrowseVpm() {
  std::array<wchar_t, kBrowsePathLength> path{};
  if (BrowseForFile(path, true, L".vpm", L"*.vpm",
                    L"Halvorn Quintara Patch Maps (*.vpm)|*.vpm|All Files (*.*)|*.*||") == 0) {
    SetItemText(IDC_VPM_PATH, path.data());
  }
}

bool ConverterDialog::ConfirmConversion() {
  return Show(ConfirmationMessage()) == IDYES;
}

std::wstring ConverterDialog::SourcePath() {
  return ItemText(IDC_INS_PATH);
}

std::wstring ConverterDialog::TargetPath() {
  return ItemText(IDC_VPM_PATH);
}

void ConverterDialog::ReportFailure(ConversionFailure failure) {
  Show(FailureMessage(failure));
}

void ConverterDialog::ReportSuccess(const std::wstring& targetPath) {
  Show(SuccessMessage(targetPath));
}

void ConverterDialog::End() {
  EndDialog(IDOK);
}

// A message box owned by the window; returns the button pressed.
int ConverterDialog::Show(const ConversionMessage& message) {
  const UINT type = static_cast<UINT>(message.buttons) | static_cast<UINT>(message.icon);
  return MessageBoxW(Handle(), message.text.c_str(), message.caption.c_str(), type);
}

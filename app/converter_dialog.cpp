#include "converter_dialog.h"

#include <optional>

#include "framework/scoped_win.h"
#include "resource.h"

// The conversion command is portable and spells these values out itself.
static_assert(MessageButtons::kOk == MessageButtons{MB_OK});
static_assert(MessageButtons::kYesNo == MessageButtons{MB_YESNO});
static_assert(MessageIcon::kQuestion == MessageIcon{MB_ICONQUESTION});
static_assert(MessageIcon::kExclamation == MessageIcon{MB_ICONEXCLAMATION});
static_assert(MessageIcon::kInformation == MessageIcon{MB_ICONINFORMATION});
static_assert((IDM_ABOUTBOX & 0xFFF0) == IDM_ABOUTBOX && IDM_ABOUTBOX < 0xF000);

namespace {

// The About box: its template is all it has. OK, Escape and its close box
// end it.
class AboutDialog final : public Dialog {
 public:
  AboutDialog() : Dialog(IDD_ABOUTBOX) {}
};

// Asks for a file with the Open or Save As dialog. Returns its full path, or
// nothing when the user cancelled (or the dialog could not open).
[[nodiscard]] std::optional<std::wstring> BrowseForFile(HWND owner, bool save,
                                                        const wchar_t* defaultExtension,
                                                        const wchar_t* initialName,
                                                        const wchar_t* filter,
                                                        const wchar_t* title = nullptr) {
  return RunFileDialog({.save = save,
                        .defaultExtension = defaultExtension,
                        .initialName = initialName,
                        .filter = filter,
                        .title = title,
                        // No existence check: a name typed in the Open dialog
                        // is taken as it is.
                        .flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                        // 1023 characters and the terminator; the dialog
                        // refuses longer paths.
                        .maxPathLength = 1024},
                       owner);
}

}  // namespace

ConverterDialog::ConverterDialog()
    : Dialog(IDD_CONVERTER), icon_(LoadIconW(ProgramInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

INT_PTR ConverterDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SYSCOMMAND:
      return OnSysCommand(static_cast<UINT>(wParam), lParam) ? TRUE : FALSE;
    case WM_PAINT:
      return OnPaint() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    default:
      return Dialog::OnMessage(message, wParam, lParam);
  }
}

bool ConverterDialog::OnButtonClicked(int id) {
  switch (id) {
    case IDOK:
      OnConvert();
      return true;
    case IDC_BROWSE_INS:
      OnBrowseIns();
      return true;
    case IDC_BROWSE_VPM:
      OnBrowseVpm();
      return true;
    default:
      return Dialog::OnButtonClicked(id);  // Cancel
  }
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

bool ConverterDialog::OnSysCommand(UINT command, LPARAM /*position*/) {
  if ((command & 0xFFF0) != IDM_ABOUTBOX) return false;
  AboutDialog about;
  about.DoModal(Handle());
  return true;
}

// Minimized, the window shows its icon centred in the client area.
bool ConverterDialog::OnPaint() {
  if (!IsIconic(Handle())) return false;
  const PaintDc dc(Handle());
  SendMessageW(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Handle()), 0);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  RECT client{};
  GetClientRect(Handle(), &client);
  const int x = (client.right - client.left - iconWidth + 1) / 2;
  const int y = (client.bottom - client.top - iconHeight + 1) / 2;
  DrawIcon(dc.Handle(), x, y, icon_);
  return true;
}

// The cursor shown while the minimized window is dragged.
HCURSOR ConverterDialog::OnQueryDragIcon() {
  return static_cast<HCURSOR>(icon_);
}

void ConverterDialog::OnConvert() {
  RunConversionCommand(*this);
}

void ConverterDialog::OnBrowseIns() {
  const auto path = BrowseForFile(Handle(), false, L".ins", L"*.ins",
                                  L"Instrument Files (*.ins)|*.ins|All Files (*.*)|*.*||");
  if (path) SetItemText(IDC_INS_PATH, *path);
}

void ConverterDialog::OnBrowseVpm() {
  const auto path =
      BrowseForFile(Handle(), true, L".vpm", L"*.vpm",
                    L"Halvorn Quintara Patch Maps (*.vpm)|*.vpm|All Files (*.*)|*.*||");
  if (path) SetItemText(IDC_VPM_PATH, *path);
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

// The converter window itself: its frame, controls, tab order, default
// button, window menu and About box, and the ways it ends without converting.
#include <windows.h>

#include <cmath>

#include "check.h"
#include "converter.h"
#include "files.h"
#include "test_cases.h"
#include "window_search.h"

namespace fs = std::filesystem;

namespace {

struct ExpectedControl {
  const wchar_t* className;
  int id;  // -1: no identifier of its own
  const wchar_t* text;
  RECT dialogUnits;  // left, top, width, height as in the template
  DWORD styles;      // must all be set
  DWORD extendedStyles;
};

// The border of an edit control in a dialog may be turned into WS_EX_CLIENTEDGE.
constexpr DWORD kEditStyles = WS_TABSTOP | ES_AUTOHSCROLL;

// The controls in template order, which is also the tab order.
const ExpectedControl kControls[] = {
    {L"Static", -1, L"Path to INS File", {7, 10, 52, 8}, WS_GROUP, WS_EX_RIGHT},
    {L"Edit", kInsPath, L"", {63, 7, 208, 14}, kEditStyles, 0},
    {L"Button", kBrowseIns, L"...", {271, 7, 22, 14}, WS_TABSTOP | BS_PUSHBUTTON, 0},
    {L"Edit", kVpmPath, L"", {63, 28, 208, 14}, kEditStyles, 0},
    {L"Button", kBrowseVpm, L"...", {271, 28, 22, 14}, WS_TABSTOP | BS_PUSHBUTTON, 0},
    {L"Button", IDOK, L"CONVERT", {7, 58, 50, 16}, WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
    {L"Button", IDCANCEL, L"Cancel", {66, 58, 50, 16}, WS_TABSTOP | BS_PUSHBUTTON, 0},
    {L"Static", -1, L"Path to VPM File", {7, 31, 52, 8}, WS_GROUP, WS_EX_RIGHT},
};

bool SameId(int actual, int expected) {
  return actual == expected || (expected == -1 && actual == 0xFFFF);
}

RECT ClientRectOf(HWND control, HWND dialog) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Pixels per dialog unit, taken from the source path field (208 by 14 units).
struct Scale {
  double x;
  double y;
};

Scale DialogUnitScale(HWND dialog) {
  const RECT field = ClientRectOf(Control(dialog, kInsPath), dialog);
  return {(field.right - field.left) / 208.0, (field.bottom - field.top) / 14.0};
}

void ExpectPlaced(HWND control, HWND dialog, const RECT& units, Scale scale,
                  const std::string& what) {
  const RECT actual = ClientRectOf(control, dialog);
  const double expected[] = {units.left * scale.x, units.top * scale.y,
                             (units.left + units.right) * scale.x,
                             (units.top + units.bottom) * scale.y};
  const LONG found[] = {actual.left, actual.top, actual.right, actual.bottom};
  for (int edge = 0; edge < 4; ++edge) {
    if (std::abs(found[edge] - expected[edge]) > 2.0) {
      Fail(what + " is not where the template puts it (edge " + std::to_string(edge) + ": " +
           std::to_string(found[edge]) + " px instead of about " +
           std::to_string(std::lround(expected[edge])) + ")");
    }
  }
}

void ExpectControl(HWND child, const ExpectedControl& expected, HWND dialog, Scale scale) {
  const std::string what =
      "control " + std::to_string(expected.id) + " \"" + ToUtf8(expected.text) + "\"";
  ExpectText(ClassName(child), expected.className, what + " class");
  Expect(SameId(GetDlgCtrlID(child), expected.id),
         what + " has identifier " + std::to_string(GetDlgCtrlID(child)));
  ExpectText(WindowText(child), expected.text, what + " text");
  const DWORD style = Style(child);
  if (expected.className == std::wstring(L"Button")) {
    ExpectNumber(style & BS_TYPEMASK, expected.styles & BS_TYPEMASK, what + " button kind");
  }
  Expect((style & expected.styles) == expected.styles,
         what + " lacks a style of " + std::to_string(expected.styles));
  if (expected.className == std::wstring(L"Edit")) {
    Expect((style & WS_BORDER) || (ExtendedStyle(child) & WS_EX_CLIENTEDGE),
           what + " has no border");
  }
  Expect((style & WS_TABSTOP) == (expected.styles & WS_TABSTOP), what + " tab stop");
  Expect((style & ES_MULTILINE) == 0 || expected.className != std::wstring(L"Edit"),
         what + " is a multi-line edit");
  Expect((ExtendedStyle(child) & expected.extendedStyles) == expected.extendedStyles,
         what + " lacks an extended style");
  Expect(IsWindowVisible(child) && IsWindowEnabled(child), what + " is hidden or disabled");
  ExpectPlaced(child, dialog, expected.dialogUnits, scale, what);
}

POINT Centre(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void ExpectCentredOn(HWND window, const RECT& area, const std::string& what) {
  const POINT centre = Centre(window);
  const LONG areaX = (area.left + area.right) / 2;
  const LONG areaY = (area.top + area.bottom) / 2;
  Expect(std::abs(centre.x - areaX) <= 2 && std::abs(centre.y - areaY) <= 2,
         what + " is not centred (centre " + std::to_string(centre.x) + "," +
             std::to_string(centre.y) + ", expected " + std::to_string(areaX) + "," +
             std::to_string(areaY) + ")");
}

void DialogFrame(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const HWND dialog = converter.Dialog();
  const DWORD style = Style(dialog);
  const DWORD required = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  Expect((style & required) == required, "the dialog lacks popup, caption, menu or modal frame");
  Expect((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0,
         "the dialog has a minimize box, a maximize box or a sizing border");
  Expect((ExtendedStyle(dialog) & WS_EX_APPWINDOW) != 0, "the dialog lacks WS_EX_APPWINDOW");
  ExpectText(converter.Ask(dialog, probe::kWindowIcons), L"large small", "the dialog's icons");
  RECT workArea;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  ExpectCentredOn(dialog, workArea, "the converter dialog");
}

void DialogControls(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const HWND dialog = converter.Dialog();
  const std::vector<HWND> children = Children(dialog);
  ExpectNumber(static_cast<long long>(children.size()), std::size(kControls), "controls");
  const Scale scale = DialogUnitScale(dialog);
  for (std::size_t index = 0; index < children.size(); ++index) {
    ExpectControl(children[index], kControls[index], dialog, scale);
  }
}

void TabOrderAndDefaultButton(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const HWND dialog = converter.Dialog();
  const int order[] = {kInsPath, kBrowseIns, kVpmPath, kBrowseVpm, IDOK, IDCANCEL, kInsPath};
  for (std::size_t step = 0; step + 1 < std::size(order); ++step) {
    const HWND next = GetNextDlgTabItem(dialog, converter.ControlOf(order[step]), FALSE);
    ExpectNumber(GetDlgCtrlID(next), order[step + 1],
                 "tab stop after " + std::to_string(order[step]));
  }
  const auto defaultId = static_cast<DWORD>(SendBounded(dialog, DM_GETDEFID, 0, 0));
  ExpectNumber(HIWORD(defaultId), DC_HASDEFID, "the dialog has a default button");
  ExpectNumber(LOWORD(defaultId), IDOK, "the default button");
  ExpectNumber(converter.FocusedControl(), kInsPath, "the control with the focus at start");
}

void TabMovesTheFocus(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const int order[] = {kInsPath, kBrowseIns, kVpmPath, kBrowseVpm, IDOK, IDCANCEL, kInsPath};
  for (std::size_t step = 0; step + 1 < std::size(order); ++step) {
    converter.PressKey(order[step], VK_TAB);
    const int expected = order[step + 1];
    WaitUntil([&] { return converter.FocusedControl() == expected; }, kWindowTimeout);
    ExpectNumber(converter.FocusedControl(), expected,
                 "focus after Tab in " + std::to_string(order[step]));
  }
}

void WindowMenuEndsWithAbout(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const std::wstring items = converter.Ask(converter.Dialog(), probe::kWindowMenu);
  const std::wstring ending = L"-\n16\t&About Patch Converter...\n";
  Expect(items.size() > ending.size() && items.ends_with(ending),
         "the window menu does not end with a separator and the About item: \"" + Printable(items) +
             "\"");
}

WindowQuery AboutBoxOf(const Converter& converter) {
  return WindowQuery(converter.Process().Id())
      .OwnedBy(converter.Dialog())
      .Captioned(L"About Patch Converter");
}

void AboutBox(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  converter.SetField(kInsPath, L"kept.ins");
  converter.SystemCommand(kAboutCommand);
  const HWND about = WaitForWindow(AboutBoxOf(converter), "the About box");
  const HWND ok = Control(about, IDOK);
  ExpectText(WindowText(ok), L"OK", "the About box's button");
  ExpectNumber(Style(ok) & BS_TYPEMASK, BS_DEFPUSHBUTTON, "the About box's OK button kind");
  bool hasVersion = false;
  for (const HWND child : Children(about)) {
    if (WindowText(child) == L"Halvorn Quintara Patch Converter Version 1.0") {
      hasVersion = (Style(child) & SS_NOPREFIX) != 0;
    }
  }
  Expect(hasVersion, "the About box lacks its version line (with SS_NOPREFIX)");
  RECT converterRect;
  GetWindowRect(converter.Dialog(), &converterRect);
  ExpectCentredOn(about, converterRect, "the About box");

  Post(ok, BM_CLICK, 0, 0);
  Expect(WaitForWindowGone(about), "the About box stayed open after OK");
  converter.ExpectStillOpen();
  ExpectText(converter.Field(kInsPath), L"kept.ins", "the source field after the About box");

  // Escape ends the About box as well, and only the About box.
  converter.SystemCommand(kAboutCommand);
  const HWND again = WaitForWindow(AboutBoxOf(converter), "the About box, the second time");
  Post(Control(again, IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  Expect(WaitForWindowGone(again), "Escape did not close the About box");
  converter.ExpectStillOpen();
}

// Fields that would convert, so that a conversion would leave a file.
fs::path FillConvertibleFields(const Environment& environment, Converter& converter,
                               const fs::path& folder) {
  const fs::path source = PlaceFixture(environment, "synth.ins", folder / "synth.ins");
  converter.SetField(kInsPath, source.wstring());
  converter.SetField(kVpmPath, (folder / "out.vpm").wstring());
  return folder / "out.vpm";
}

void EndsWithoutConverting(Converter& converter, const fs::path& target, const std::string& how) {
  Expect(converter.WaitForEnd(), how + " did not end the program");
  ExpectNoFile(target, how);
}

void EscapeEnds(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path target = FillConvertibleFields(environment, converter, folder);
  converter.PressKey(kInsPath, VK_ESCAPE);
  EndsWithoutConverting(converter, target, "Escape");
}

void CancelEnds(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path target = FillConvertibleFields(environment, converter, folder);
  converter.Click(IDCANCEL);
  EndsWithoutConverting(converter, target, "Cancel");
}

void CloseBoxEnds(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path target = FillConvertibleFields(environment, converter, folder);
  converter.SystemCommand(SC_CLOSE);
  EndsWithoutConverting(converter, target, "the close box");
}

}  // namespace

std::vector<TestCase> WindowCases() {
  return {
      {"dialog caption, frame, icons and centring", DialogFrame},
      {"dialog controls: classes, ids, texts, styles, places", DialogControls},
      {"tab order, default button and first focus", TabOrderAndDefaultButton},
      {"Tab moves the focus in tab order", TabMovesTheFocus},
      {"window menu ends with separator and About", WindowMenuEndsWithAbout},
      {"About box from the window menu", AboutBox},
      {"Escape ends without converting", EscapeEnds},
      {"Cancel ends without converting", CancelEnds},
      {"close box ends without converting", CloseBoxEnds},
  };
}

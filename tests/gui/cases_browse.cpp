// The "..." buttons: the Open and Save As dialogs they open, what a cancelled
// or a finished browse leaves in the field, and the working directory after.
#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "check.h"
#include "converter.h"
#include "file_dialog.h"
#include "files.h"
#include "test_cases.h"
#include "window_search.h"

namespace fs = std::filesystem;

namespace {

struct BrowseKind {
  int button;
  int field;
  const wchar_t* caption;
  const wchar_t* initialFileName;
  const wchar_t* firstFilter;
};

const BrowseKind kOpen{kBrowseIns, kInsPath, L"Open", L"*.ins", L"Instrument Files (*.ins)"};
const BrowseKind kSaveAs{kBrowseVpm, kVpmPath, L"Save As", L"*.vpm",
                         L"Halvorn Quintara Patch Maps (*.vpm)"};

// Paths as Windows compares them: without regard to case or a final backslash.
std::wstring Comparable(std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  std::transform(path.begin(), path.end(), path.begin(),
                 [](wchar_t character) { return static_cast<wchar_t>(std::towlower(character)); });
  return path;
}

void ExpectSamePath(const std::wstring& actual, const std::wstring& expected,
                    const std::string& what) {
  if (Comparable(actual) != Comparable(expected)) ExpectText(actual, expected, what);
}

FileDialogView OpenBrowse(Converter& converter, const BrowseKind& kind) {
  converter.Click(kind.button);
  const FileDialogView dialog = WaitForFileDialog(converter, kind.caption);
  ExpectText(WindowText(dialog.fileName), kind.initialFileName,
             "the file name a browse starts from");
  if (dialog.fileType) {
    ExpectText(WindowText(dialog.fileType), kind.firstFilter, "the file type in force");
  }
  return dialog;
}

void CancelKeepsField(const Environment& environment, const fs::path& folder,
                      const BrowseKind& kind) {
  Converter converter(environment, folder);
  converter.SetField(kind.field, L"as it was.txt");
  CancelFileDialog(OpenBrowse(converter, kind));
  Settle(kSettleTime);
  converter.ExpectStillOpen();
  ExpectText(converter.Field(kind.field), L"as it was.txt", "the field after Cancel");
}

void OpenCancelled(const Environment& environment, const fs::path& folder) {
  CancelKeepsField(environment, folder, kOpen);
}

void SaveAsCancelled(const Environment& environment, const fs::path& folder) {
  CancelKeepsField(environment, folder, kSaveAs);
}

// Chooses `path` in the kind's dialog; the field must then hold it in full.
void BrowseTo(Converter& converter, const BrowseKind& kind, const fs::path& path) {
  const FileDialogView dialog = OpenBrowse(converter, kind);
  ChooseFile(dialog, path.wstring());
  Expect(WaitForWindowGone(dialog.window), "the file dialog stayed open after OK");
  Settle(kSettleTime);
  ExpectSamePath(converter.Field(kind.field), path.wstring(), "the field after browsing");
}

void ExpectWorkingDirectory(Converter& converter, const fs::path& folder) {
  ExpectSamePath(converter.Ask(converter.Dialog(), probe::kWorkingDirectory), folder.wstring(),
                 "the program's working directory");
}

// The start folder and another one hold different files of the same name; after
// browsing into the other one, relative paths still resolve in the start folder.
void BrowsingKeepsWorkingDirectory(const Environment& environment, const fs::path& folder) {
  const fs::path start = FreshFolder(folder / "start");
  const fs::path elsewhere = FreshFolder(folder / "elsewhere");
  PlaceFixture(environment, "synth.ins", start / "synth.ins");
  PlaceFixture(environment, "elsewhere.ins", elsewhere / "synth.ins");
  PlaceFixture(environment, "elsewhere.ins", elsewhere / "picked.ins");

  Converter converter(environment, start);
  ExpectWorkingDirectory(converter, start);
  // Into the other folder first: the Open dialog itself moves the working
  // directory there, so only the program's restoring brings it back.
  const FileDialogView dialog = OpenBrowse(converter, kOpen);
  ChooseFile(dialog, elsewhere.wstring());
  WaitUntil(
      [&] {
        return Comparable(converter.Ask(converter.Dialog(), probe::kWorkingDirectory)) ==
               Comparable(elsewhere.wstring());
      },
      kWindowTimeout);
  Expect(IsWindowVisible(dialog.window), "the Open dialog closed on a folder name");
  ExpectSamePath(converter.Ask(converter.Dialog(), probe::kWorkingDirectory), elsewhere.wstring(),
                 "the working directory while the Open dialog shows the other folder");
  ChooseFile(dialog, L"picked.ins");
  Expect(WaitForWindowGone(dialog.window), "the Open dialog stayed open after OK");
  Settle(kSettleTime);
  ExpectSamePath(converter.Field(kInsPath), (elsewhere / "picked.ins").wstring(),
                 "the source field after browsing");
  ExpectWorkingDirectory(converter, start);
  BrowseTo(converter, kSaveAs, elsewhere / "chosen.vpm");
  ExpectWorkingDirectory(converter, start);

  converter.SetField(kInsPath, L"synth.ins");
  converter.SetField(kVpmPath, L"synth.vpm");
  const MessageBoxView outcome = ConvertConfirmed(converter);
  ExpectMessageBox(outcome, L"Conversion was successful and synth.vpm has been created.", {IDOK},
                   IDOK, L"information");
  Answer(outcome, IDOK);
  Expect(converter.WaitForEnd(), "the program did not end after a successful conversion");
  ExpectFileBytes(start / "synth.vpm", FixtureBytes(environment, "synth.vpm"),
                  "the patch map in the start folder");
  ExpectNoFile(elsewhere / "synth.vpm", "the folder browsed to");
}

// A browsed path converts like a typed one.
void BrowsedPathsConvert(const Environment& environment, const fs::path& folder) {
  const fs::path source = PlaceFixture(environment, "synth.ins", folder / "browsed.ins");
  Converter converter(environment, folder);
  BrowseTo(converter, kOpen, source);
  BrowseTo(converter, kSaveAs, folder / "browsed.vpm");
  const std::wstring target = converter.Field(kVpmPath);
  const MessageBoxView outcome = ConvertConfirmed(converter);
  ExpectMessageBox(outcome, L"Conversion was successful and " + target + L" has been created.",
                   {IDOK}, IDOK, L"information");
  Answer(outcome, IDOK);
  Expect(converter.WaitForEnd(), "the program did not end after a successful conversion");
  ExpectFileBytes(folder / "browsed.vpm", FixtureBytes(environment, "synth.vpm"), "the patch map");
}

// The Open dialog accepts a file that does not exist; converting it then fails.
void OpenAcceptsMissingFile(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  BrowseTo(converter, kOpen, folder / "not there.ins");
  converter.SetField(kVpmPath, (folder / "out.vpm").wstring());
  const MessageBoxView outcome = ConvertConfirmed(converter);
  ExpectMessageBox(outcome, L"Cannot load INS file", {IDOK}, IDOK, L"exclamation");
  Answer(outcome, IDOK);
  converter.ExpectStillOpen();
}

// Save As asks before it accepts a file that exists.
void SaveAsAsksBeforeOverwriting(const Environment& environment, const fs::path& folder) {
  const fs::path existing = folder / "existing.vpm";
  WriteBytes(existing, "old\r\n");
  Converter converter(environment, folder);
  const FileDialogView dialog = OpenBrowse(converter, kSaveAs);
  ChooseFile(dialog, existing.wstring());
  const HWND question =
      WaitForWindow(WindowQuery(converter.Process().Id()).OwnedBy(dialog.window).WithChild(0xFFFF),
                    "the question before overwriting");
  Post(Control(question, IDYES), BM_CLICK, 0, 0);
  Expect(WaitForWindowGone(dialog.window), "the Save As dialog stayed open after Yes");
  Settle(kSettleTime);
  ExpectSamePath(converter.Field(kVpmPath), existing.wstring(), "the field after Yes");
  ExpectFileBytes(existing, "old\r\n", "the file chosen, before any conversion");
}

// With the focus on a "..." button, Enter presses that button, not CONVERT.
void EnterOnBrowseButton(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  converter.PressKey(kInsPath, VK_TAB);
  WaitUntil([&] { return converter.FocusedControl() == kBrowseIns; }, kWindowTimeout);
  ExpectNumber(converter.FocusedControl(), kBrowseIns, "the control with the focus after Tab");
  converter.PressKey(kBrowseIns, VK_RETURN);
  const FileDialogView dialog = WaitForFileDialog(converter, kOpen.caption);
  Expect(FindWindows(
             WindowQuery(converter.Process().Id()).OwnedBy(converter.Dialog()).WithChild(0xFFFF))
             .empty(),
         "Enter on the button asked to convert");
  CancelFileDialog(dialog);
  converter.ExpectStillOpen();
}

}  // namespace

std::vector<TestCase> BrowseCases() {
  return {
      {"Open dialog cancelled leaves the field", OpenCancelled},
      {"Save As dialog cancelled leaves the field", SaveAsCancelled},
      {"browsing elsewhere keeps the working directory", BrowsingKeepsWorkingDirectory},
      {"browsed paths convert", BrowsedPathsConvert},
      {"Open accepts a missing file, converting it fails", OpenAcceptsMissingFile},
      {"Save As asks before overwriting", SaveAsAsksBeforeOverwriting},
      {"Enter on a \"...\" button opens its file dialog", EnterOnBrowseButton},
  };
}

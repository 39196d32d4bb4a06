// CONVERT and its outcomes: the confirmation, the two failures, success, and
// the paths the command is given.
#include <windows.h>

#include "check.h"
#include "converter.h"
#include "files.h"
#include "test_cases.h"
#include "window_search.h"

namespace fs = std::filesystem;

namespace {

const std::wstring kCannotLoad = L"Cannot load INS file";
const std::wstring kCannotCreate = L"Cannot create VPM file";

std::wstring SuccessText(const std::wstring& target) {
  return L"Conversion was successful and " + target + L" has been created.";
}

void ExpectFailure(MessageBoxView box, const std::wstring& text) {
  ExpectMessageBox(box, text, {IDOK}, IDOK, L"exclamation");
}

// Answers the failure message and checks that the program waits for another try.
void DismissFailure(Converter& converter, const MessageBoxView& box, const std::wstring& text) {
  ExpectFailure(box, text);
  Answer(box, IDOK);
  Settle(kSettleTime);
  converter.ExpectStillOpen();
}

// Checks the success message, that the program waits for it, and that it ends
// once the message is answered.
void ExpectSuccessAndEnd(Converter& converter, const MessageBoxView& box,
                         const std::wstring& typedTarget) {
  ExpectMessageBox(box, SuccessText(typedTarget), {IDOK}, IDOK, L"information");
  Expect(!converter.Process().HasEnded(), "the program ended before its message was answered");
  Answer(box, IDOK);
  Expect(converter.WaitForEnd(), "the program did not end after a successful conversion");
}

void ExpectFields(const Converter& converter, const std::wstring& source,
                  const std::wstring& target) {
  ExpectText(converter.Field(kInsPath), source, "the source field");
  ExpectText(converter.Field(kVpmPath), target, "the target field");
}

void NoWithEmptyFields(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  Answer(PressConvert(converter), IDNO);
  Settle(kSettleTime);
  converter.ExpectStillOpen();
  Expect(FindWindows(WindowQuery(converter.Process().Id()).OwnedBy(converter.Dialog())).empty(),
         "a window opened after No");
  ExpectFields(converter, L"", L"");
  ExpectEntryCount(folder, 0);
}

void NoWithPaths(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const std::wstring source = PlaceFixture(environment, "synth.ins", folder / "synth.ins");
  const std::wstring target = (folder / "out.vpm").wstring();
  converter.SetField(kInsPath, source);
  converter.SetField(kVpmPath, target);
  Answer(PressConvert(converter), IDNO);
  Settle(kSettleTime);
  converter.ExpectStillOpen();
  ExpectFields(converter, source, target);
  ExpectNoFile(target, "after No");
}

void MissingSource(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const std::wstring source = (folder / "missing.ins").wstring();
  const std::wstring target = (folder / "out.vpm").wstring();
  converter.SetField(kInsPath, source);
  converter.SetField(kVpmPath, target);
  DismissFailure(converter, ConvertConfirmed(converter), kCannotLoad);
  ExpectFields(converter, source, target);
  ExpectNoFile(target, "after a failed read");
}

void EmptyFields(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  DismissFailure(converter, ConvertConfirmed(converter), kCannotLoad);
  ExpectEntryCount(folder, 0);
}

void SourceWithoutBank(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path source = PlaceFixture(environment, "no-bank.ins", folder / "no-bank.ins");
  const fs::path target = folder / "existing.vpm";
  WriteBytes(target, "old patch map\r\n");
  converter.SetField(kInsPath, source.wstring());
  converter.SetField(kVpmPath, target.wstring());
  DismissFailure(converter, ConvertConfirmed(converter), kCannotLoad);
  ExpectFileBytes(target, "old patch map\r\n", "the existing target after a failed read");
  ExpectEntryCount(folder, 2);
}

void TargetInMissingFolder(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path source = PlaceFixture(environment, "synth.ins", folder / "synth.ins");
  const fs::path target = folder / "missing" / "out.vpm";
  converter.SetField(kInsPath, source.wstring());
  converter.SetField(kVpmPath, target.wstring());
  DismissFailure(converter, ConvertConfirmed(converter), kCannotCreate);
  ExpectNoFile(folder / "missing", "after a failed write");
  ExpectFileBytes(source, FixtureBytes(environment, "synth.ins"), "the source");
}

// Another program holds the target open without sharing it. (A read-only
// attribute would not do under Wine run as root: root may write any file.)
void LockedTarget(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path source = PlaceFixture(environment, "synth.ins", folder / "synth.ins");
  const fs::path target = folder / "locked.vpm";
  WriteBytes(target, "locked patch map\r\n");
  const HANDLE lock =
      CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  Expect(lock != INVALID_HANDLE_VALUE, "cannot lock the target");
  converter.SetField(kInsPath, source.wstring());
  converter.SetField(kVpmPath, target.wstring());
  MessageBoxView outcome;
  try {
    outcome = ConvertConfirmed(converter);
  } catch (...) {
    CloseHandle(lock);
    throw;
  }
  CloseHandle(lock);
  DismissFailure(converter, outcome, kCannotCreate);
  ExpectFileBytes(target, "locked patch map\r\n", "the locked target");
  ExpectEntryCount(folder, 2);
}

void TargetIsAFolder(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path source = PlaceFixture(environment, "synth.ins", folder / "synth.ins");
  const fs::path target = folder / "a folder.vpm";
  fs::create_directory(target);
  converter.SetField(kInsPath, source.wstring());
  converter.SetField(kVpmPath, target.wstring());
  DismissFailure(converter, ConvertConfirmed(converter), kCannotCreate);
  Expect(fs::is_directory(target), "the folder named as target is gone");
  ExpectEntryCount(target, 0);
}

void EmptyTarget(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path source = PlaceFixture(environment, "synth.ins", folder / "synth.ins");
  converter.SetField(kInsPath, source.wstring());
  DismissFailure(converter, ConvertConfirmed(converter), kCannotCreate);
  ExpectEntryCount(folder, 1);
}

void Success(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path source = PlaceFixture(environment, "synth.ins", folder / "synth.ins");
  // Typed with a "." step and a blank: the message repeats it as typed.
  const std::wstring typedTarget = folder.wstring() + L"\\.\\new patch map.vpm";
  converter.SetField(kInsPath, source.wstring());
  converter.SetField(kVpmPath, typedTarget);
  const MessageBoxView outcome = ConvertConfirmed(converter);
  ExpectFileBytes(folder / "new patch map.vpm", FixtureBytes(environment, "synth.vpm"),
                  "the patch map");
  ExpectSuccessAndEnd(converter, outcome, typedTarget);
  ExpectFileBytes(source, FixtureBytes(environment, "synth.ins"), "the source");
}

void ReplacesExistingTarget(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path source = PlaceFixture(environment, "synth.ins", folder / "synth.ins");
  const fs::path target = folder / "existing.vpm";
  WriteBytes(target, std::string(5000, 'x'));
  converter.SetField(kInsPath, source.wstring());
  converter.SetField(kVpmPath, target.wstring());
  ExpectSuccessAndEnd(converter, ConvertConfirmed(converter), target.wstring());
  ExpectFileBytes(target, FixtureBytes(environment, "synth.vpm"), "the replaced patch map");
}

// Names outside any ANSI code page (Greek, Japanese, a music sign) reach the
// files unchanged and come back unchanged in the message.
void UnicodePaths(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path source =
      PlaceFixture(environment, "synth.ins", folder / L"\u03c3\u03cd\u03bd\u03b8.ins");
  const fs::path target = folder / L"\u97f3\u8272 \u266b.vpm";
  converter.SetField(kInsPath, source.wstring());
  converter.SetField(kVpmPath, target.wstring());
  ExpectSuccessAndEnd(converter, ConvertConfirmed(converter), target.wstring());
  ExpectFileBytes(target, FixtureBytes(environment, "synth.vpm"), "the patch map");
}

void RelativePaths(const Environment& environment, const fs::path& folder) {
  PlaceFixture(environment, "synth.ins", folder / "synth.ins");
  Converter converter(environment, folder);
  converter.SetField(kInsPath, L"synth.ins");
  converter.SetField(kVpmPath, L"relative.vpm");
  ExpectSuccessAndEnd(converter, ConvertConfirmed(converter), L"relative.vpm");
  ExpectFileBytes(folder / "relative.vpm", FixtureBytes(environment, "synth.vpm"),
                  "the patch map in the start folder");
}

void SameFileForBoth(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path file = PlaceFixture(environment, "synth.ins", folder / "both.ins");
  converter.SetField(kInsPath, file.wstring());
  converter.SetField(kVpmPath, file.wstring());
  ExpectSuccessAndEnd(converter, ConvertConfirmed(converter), file.wstring());
  ExpectFileBytes(file, FixtureBytes(environment, "synth.vpm"), "the file read and replaced");
  ExpectEntryCount(folder, 1);
}

void RetryAfterFailure(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path source = PlaceFixture(environment, "synth.ins", folder / "synth.ins");
  const fs::path target = folder / "out.vpm";
  converter.SetField(kInsPath, (folder / "typo.ins").wstring());
  converter.SetField(kVpmPath, target.wstring());
  DismissFailure(converter, ConvertConfirmed(converter), kCannotLoad);
  converter.SetField(kInsPath, source.wstring());
  ExpectSuccessAndEnd(converter, ConvertConfirmed(converter), target.wstring());
  ExpectFileBytes(target, FixtureBytes(environment, "synth.vpm"), "the patch map");
}

void EnterInSourceField(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  ExpectNumber(converter.FocusedControl(), kInsPath, "the control with the focus");
  converter.PressKey(kInsPath, VK_RETURN);
  MessageBoxView confirmation = converter.WaitForMessageBox();
  ExpectMessageBox(confirmation, L"This will convert the .INS file to .VPM format.\nAre you sure?",
                   {IDYES, IDNO}, IDYES, L"question");
  Answer(confirmation, IDNO);
  Settle(kSettleTime);
  converter.ExpectStillOpen();
}

// Tab twice to reach the target field, then Enter converts.
void EnterInTargetField(const Environment& environment, const fs::path& folder) {
  Converter converter(environment, folder);
  const fs::path source = PlaceFixture(environment, "synth.ins", folder / "synth.ins");
  const fs::path target = folder / "out.vpm";
  converter.SetField(kInsPath, source.wstring());
  converter.SetField(kVpmPath, target.wstring());
  converter.PressKey(kInsPath, VK_TAB);
  WaitUntil([&] { return converter.FocusedControl() == kBrowseIns; }, kWindowTimeout);
  converter.PressKey(kBrowseIns, VK_TAB);
  WaitUntil([&] { return converter.FocusedControl() == kVpmPath; }, kWindowTimeout);
  ExpectNumber(converter.FocusedControl(), kVpmPath, "the control with the focus after two Tabs");
  converter.PressKey(kVpmPath, VK_RETURN);
  MessageBoxView confirmation = converter.WaitForMessageBox();
  ExpectText(confirmation.text, L"This will convert the .INS file to .VPM format.\nAre you sure?",
             "the message after Enter");
  Answer(confirmation, IDYES);
  ExpectSuccessAndEnd(converter, converter.WaitForMessageBox(), target.wstring());
  ExpectFileBytes(target, FixtureBytes(environment, "synth.vpm"), "the patch map");
}

}  // namespace

std::vector<TestCase> ConversionCases() {
  return {
      {"No at the confirmation, empty fields", NoWithEmptyFields},
      {"No at the confirmation, paths filled in", NoWithPaths},
      {"missing source: Cannot load INS file", MissingSource},
      {"empty fields: Cannot load INS file", EmptyFields},
      {"source without Patch[n] key: target untouched", SourceWithoutBank},
      {"target in a missing folder: Cannot create VPM file", TargetInMissingFolder},
      {"locked target: Cannot create VPM file, unchanged", LockedTarget},
      {"target is a folder: Cannot create VPM file", TargetIsAFolder},
      {"empty target field: Cannot create VPM file", EmptyTarget},
      {"success: exact message and bytes, program ends", Success},
      {"success replaces an existing target", ReplacesExistingTarget},
      {"paths outside the ANSI code page", UnicodePaths},
      {"relative paths against the start folder", RelativePaths},
      {"same file as source and target", SameFileForBoth},
      {"a failure, then success on the next try", RetryAfterFailure},
      {"Enter in the source field asks to convert", EnterInSourceField},
      {"Enter in the target field converts", EnterInTargetField},
  };
}

// The CONVERT command against a fake host: the order of its steps, its four
// messages, and that it frees the instrument on every way out.
#include "conversion_command.h"

#include <gtest/gtest.h>

#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "test_files.h"

// Failures show a message readably.
void PrintTo(const ConversionMessage& message, std::ostream* out) {
  *out << testing::PrintToString(message.text) << ", " << testing::PrintToString(message.caption)
       << ", buttons " << static_cast<unsigned>(message.buttons) << ", icon "
       << static_cast<unsigned>(message.icon);
}

namespace {

// Records everything the command asks of its host, in order.
class FakeHost : public ConversionHost {
 public:
  bool ConfirmConversion() override {
    calls.push_back(L"confirm");
    return answerYes;
  }
  std::wstring SourcePath() override {
    calls.push_back(L"source");
    return source;
  }
  std::wstring TargetPath() override {
    calls.push_back(L"target");
    return target;
  }
  void ReportFailure(ConversionFailure failure) override {
    Report(failure == ConversionFailure::kCannotLoadSource ? L"cannot load" : L"cannot create");
  }
  void ReportSuccess(const std::wstring& targetPath) override { Report(L"success " + targetPath); }
  void End() override { calls.push_back(L"end"); }

  bool answerYes = true;
  bool throwOnReport = false;
  std::wstring source, target;
  std::vector<std::wstring> calls;

 private:
  void Report(const std::wstring& call) {
    calls.push_back(call);
    if (throwOnReport) throw std::bad_alloc();
  }
};

using Calls = std::vector<std::wstring>;

class ConversionCommand : public testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(folder_ / "synth.ins", "[S]\nPatch[0]=L\n[L]\n0=Piano\n");
    host_.source = (folder_ / "synth.ins").wstring();
    host_.target = (folder_ / "synth.vpm").wstring();
  }
  TemporaryFolder folder_;
  FakeHost host_;
};

TEST_F(ConversionCommand, NoDoesNothingEvenWithEmptyFields) {
  host_.answerYes = false;
  host_.source.clear();
  host_.target.clear();
  RunConversionCommand(host_);
  EXPECT_EQ(host_.calls, Calls{L"confirm"});
  EXPECT_EQ(folder_.FileCount(), 1u);
}

TEST_F(ConversionCommand, SuccessNamesTheTargetExactlyAndEndsTheWindow) {
  host_.target = (folder_ / "./synth.vpm").wstring();
  RunConversionCommand(host_);
  EXPECT_EQ(host_.calls,
            (Calls{L"confirm", L"source", L"target", L"success " + host_.target, L"end"}));
  EXPECT_EQ(ReadBytes(folder_ / "synth.vpm"),
            "<patchmap version=\"1.0\" device=\"L\">\r\n"
            "<patch family=\"0\" bank=\"0.0\" preset=\"0\" name=\"Piano\" />\r\n"
            "</patchmap>\r\n");
}

TEST_F(ConversionCommand, FailuresSayWhichSideAndKeepTheWindowOpen) {
  struct Case {
    std::wstring source, target, report;
  };
  WriteBytes(folder_ / "nobank.ins", "[S]\n0=Piano\n");
  for (const Case& c : {Case{L"", L"", L"cannot load"},
                        Case{(folder_ / "missing.ins").wstring(), L"x.vpm", L"cannot load"},
                        Case{(folder_ / "nobank.ins").wstring(), L"x.vpm", L"cannot load"},
                        Case{(folder_ / "synth.ins").wstring(), L"", L"cannot create"},
                        Case{(folder_ / "synth.ins").wstring(),
                             (folder_ / "no" / "x.vpm").wstring(), L"cannot create"}}) {
    FakeHost host;
    host.source = c.source;
    host.target = c.target;
    RunConversionCommand(host);
    EXPECT_EQ(host.calls, (Calls{L"confirm", L"source", L"target", c.report}));
  }
  EXPECT_EQ(folder_.FileCount(), 2u) << "no target was created";
}

TEST_F(ConversionCommand, AnExceptionLeavesTheCommandWithNothingHeld) {
  // The instrument is freed on the way out; the sanitizer build reports a leak
  // otherwise.
  host_.throwOnReport = true;
  EXPECT_THROW(RunConversionCommand(host_), std::bad_alloc);
  EXPECT_EQ(host_.calls.back(), L"success " + host_.target);
}

TEST(ConversionMessages, TextsCaptionButtonsAndIcons) {
  using enum MessageButtons;
  using enum MessageIcon;
  struct Case {
    ConversionMessage actual, expected;
  };
  // A path is put in as it is, even one that looks like a format.
  const std::wstring target = L"C:\\50%s\\.\\x.vpm";
  for (const Case& c : {
           Case{ConfirmationMessage(),
                {L"This will convert the .INS file to .VPM format.\nAre you sure?", L"Convert",
                 kYesNo, kQuestion}},
           Case{FailureMessage(ConversionFailure::kCannotLoadSource),
                {L"Cannot load INS file", L"Convert", kOk, kExclamation}},
           Case{FailureMessage(ConversionFailure::kCannotCreateTarget),
                {L"Cannot create VPM file", L"Convert", kOk, kExclamation}},
           Case{SuccessMessage(target),
                {L"Conversion was successful and " + target + L" has been created.", L"Convert",
                 kOk, kInformation}},
       }) {
    EXPECT_EQ(c.actual, c.expected);
  }
}

}  // namespace

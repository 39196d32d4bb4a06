// The CONVERT command against a fake dialog: its four messages, the order of
// its steps and that it frees the instrument on every way out.
#include "conversion_command.h"

#include <gtest/gtest.h>

#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

using namespace message_box;

const std::wstring kConfirmation = L"This will convert the .INS file to .VPM format.\nAre you sure?";

struct Message {
  std::wstring text;
  std::wstring caption;
  unsigned type;
  bool operator==(const Message&) const = default;
};

// Records everything the command does to its dialog.
class FakeDialog : public ConversionDialog {
 public:
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                     unsigned type) override {
    messages.push_back({text, caption, type});
    if (throwOnMessage == messages.size()) throw std::bad_alloc();
    return messages.size() == 1 ? answer : 1;
  }
  std::wstring FieldText(int id) override {
    fieldsRead.push_back(id);
    return fields[id];
  }
  void EndWithOk() override { ++endedWithOk; }

  int answer = kIdYes;
  std::size_t throwOnMessage = 0;  // 1-based; 0 never throws
  std::map<int, std::wstring> fields;
  std::vector<Message> messages;
  std::vector<int> fieldsRead;
  int endedWithOk = 0;
};

class ConversionCommand : public testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(folder_ / "synth.ins", "[S]\nPatch[0]=L\n[L]\n0=Piano\n");
    dialog_.fields[kIdcInsPath] = (folder_ / "synth.ins").wstring();
    dialog_.fields[kIdcVpmPath] = (folder_ / "synth.vpm").wstring();
  }
  TemporaryFolder folder_;
  FakeDialog dialog_;
};

TEST_F(ConversionCommand, NoDoesNothingEvenWithEmptyFields) {
  dialog_.answer = 7;  // IDNO
  dialog_.fields.clear();
  RunConversionCommand(dialog_);
  EXPECT_EQ(dialog_.messages, (std::vector<Message>{{kConfirmation, L"Convert", kYesNo | kIconQuestion}}));
  EXPECT_TRUE(dialog_.fieldsRead.empty());
  EXPECT_EQ(dialog_.endedWithOk, 0);
  EXPECT_EQ(folder_.FileCount(), 1u);
}

TEST_F(ConversionCommand, SuccessNamesTheTargetExactlyAndEndsTheDialog) {
  dialog_.fields[kIdcVpmPath] = (folder_ / "./synth.vpm").wstring();
  RunConversionCommand(dialog_);
  ASSERT_EQ(dialog_.messages.size(), 2u);
  EXPECT_EQ(dialog_.messages[1],
            (Message{L"Conversion was successful and " + (folder_ / "./synth.vpm").wstring() +
                         L" has been created.",
                     L"Convert", kOk | kIconInformation}));
  EXPECT_EQ(dialog_.fieldsRead, (std::vector<int>{kIdcInsPath, kIdcVpmPath}));
  EXPECT_EQ(dialog_.endedWithOk, 1);
  EXPECT_EQ(ReadBytes(folder_ / "synth.vpm"),
            "<patchmap version=\"1.0\" device=\"L\">\r\n"
            "<patch family=\"0\" bank=\"0.0\" preset=\"0\" name=\"Piano\" />\r\n"
            "</patchmap>\r\n");
}

TEST_F(ConversionCommand, FailuresSayWhichSideAndKeepTheDialogOpen) {
  struct Case {
    std::wstring source, target, message;
  };
  WriteBytes(folder_ / "nobank.ins", "[S]\n0=Piano\n");
  for (const Case& c : {Case{L"", L"", L"Cannot load INS file"},
                        Case{(folder_ / "missing.ins").wstring(), L"x.vpm", L"Cannot load INS file"},
                        Case{(folder_ / "nobank.ins").wstring(), L"x.vpm", L"Cannot load INS file"},
                        Case{(folder_ / "synth.ins").wstring(), L"", L"Cannot create VPM file"},
                        Case{(folder_ / "synth.ins").wstring(), (folder_ / "no" / "x.vpm").wstring(),
                             L"Cannot create VPM file"}}) {
    FakeDialog dialog;
    dialog.fields = {{kIdcInsPath, c.source}, {kIdcVpmPath, c.target}};
    RunConversionCommand(dialog);
    ASSERT_EQ(dialog.messages.size(), 2u);
    EXPECT_EQ(dialog.messages[1], (Message{c.message, L"Convert", kOk | kIconExclamation}));
    EXPECT_EQ(dialog.endedWithOk, 0);
  }
  EXPECT_EQ(folder_.FileCount(), 2u) << "no target was created";
}

TEST_F(ConversionCommand, AnExceptionLeavesTheCommandWithNothingHeld) {
  // The instrument is freed on the way out; the sanitizer build reports a leak
  // otherwise.
  dialog_.throwOnMessage = 2;
  EXPECT_THROW(RunConversionCommand(dialog_), std::bad_alloc);
  EXPECT_EQ(dialog_.endedWithOk, 0);
}

}  // namespace

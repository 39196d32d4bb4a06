// A failure injected at each single step of writing a patch map of several
// pieces: every write (the first, each in the middle, the last), the flush,
// the close and the final replace. Each must return -1, leave an existing
// target byte for byte as it was and leave no temporary file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "instrument_definition.h"
#include "patch_map_file.h"
#include "patch_map_writer.h"
#include "scripted_file_system.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

std::size_t Count(const std::vector<std::string>& steps, const std::string& name) {
  return static_cast<std::size_t>(std::count(steps.begin(), steps.end(), name));
}

class FailureAtEveryStep : public testing::Test {
 protected:
  void SetUp() override {
    source_ = LargeInstrumentText(300 * 1024);
    expected_ = PatchMapOf(source_);
    ASSERT_EQ(LoadInstrumentText(instrument_, source_), 0);
  }

  // The steps of a conversion that succeeds, for a target as `prepare` leaves it.
  template <typename Prepare>
  std::vector<std::string> StepsOfASuccess(Prepare prepare) {
    TemporaryFolder folder;
    prepare(folder / "target.vpm");
    ScriptedFileSystem fileSystem;
    EXPECT_TRUE(
        WritePatchMapFile(instrument_, (folder / "target.vpm").native(), fileSystem).Succeeded());
    EXPECT_TRUE(ReadBytes(folder / "target.vpm") == expected_);
    return fileSystem.steps;
  }

  // Fails each step in turn; `prepare` makes the target (or not) and
  // `unchanged` says what the folder must hold after the failure.
  // Steps whose failure is no failure of the conversion: the close of the
  // probe that only opened the target, and the removal of the temporary.
  // A temporary that cannot be made for want of room is a failure like any
  // other: the target is not written in place then.
  static bool FailureIsHarmless(const std::string& step) {
    return step == "close probe" || step == "remove";
  }

  template <typename Prepare, typename Unchanged>
  void FailEachStep(Prepare prepare, Unchanged unchanged) {
    std::vector<std::string> steps = StepsOfASuccess(prepare);
    ASSERT_GE(Count(steps, "write"), 4u) << "the patch map must take several writes";
    for (std::size_t failAt = 0; failAt < steps.size(); ++failAt) {
      if (FailureIsHarmless(steps[failAt])) continue;
      SCOPED_TRACE("failing step " + std::to_string(failAt) + ": " + steps[failAt]);
      TemporaryFolder folder;
      const fs::path target = folder / "target.vpm";
      prepare(target);
      ScriptedFileSystem fileSystem(failAt);
      const WriteResult result = WritePatchMapFile(instrument_, target.native(), fileSystem);
      EXPECT_FALSE(result.Succeeded());
      EXPECT_EQ(result.error.Code(), static_cast<std::uint32_t>(ENOSPC))
          << "the reason reaches the message";
      unchanged(folder);
      // Nothing is left over that would stop the next attempt.
      ScriptedFileSystem working;
      EXPECT_TRUE(WritePatchMapFile(instrument_, target.native(), working).Succeeded());
      EXPECT_TRUE(ReadBytes(target) == expected_);
      EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"target.vpm"});
    }
  }

  std::string source_;
  std::string expected_;
  InstrumentDefinition instrument_;
};

TEST_F(FailureAtEveryStep, StepsCoverEveryWriteTheFlushTheCloseAndTheReplace) {
  std::vector<std::string> steps =
      StepsOfASuccess([](const fs::path& target) { WriteBytes(target, "old"); });
  EXPECT_GE(Count(steps, "write"), 4u);
  EXPECT_EQ(Count(steps, "flush"), 1u);
  EXPECT_EQ(Count(steps, "replace"), 1u);
  EXPECT_EQ(steps.back(), "replace");
}

TEST_F(FailureAtEveryStep, AnExistingTargetKeepsItsBytes) {
  const std::string old = "old patch map\r\n";
  FailEachStep([&](const fs::path& target) { WriteBytes(target, old); },
               [&](const TemporaryFolder& folder) {
                 EXPECT_EQ(ReadBytes(folder / "target.vpm"), old);
                 EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"target.vpm"});
               });
}

TEST_F(FailureAtEveryStep, NoFileIsCreatedWhereThereWasNone) {
  FailEachStep([](const fs::path&) {},
               [](const TemporaryFolder& folder) {
                 EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{});
               });
}

// The source itself is the target: after any failure it must still be there,
// whole, and convert again.
TEST_F(FailureAtEveryStep, TheSourceAsTargetIsNeverLost) {
  FailEachStep([&](const fs::path& target) { WriteBytes(target, source_); },
               [&](const TemporaryFolder& folder) {
                 std::string kept = ReadBytes(folder / "target.vpm");
                 EXPECT_TRUE(kept == source_) << "the source was changed";
                 EXPECT_TRUE(PatchMapOf(kept) == expected_);
               });
}

// Where the folder refuses new files for lack of rights, the existing target
// is rewritten in place; a failure of any step of that is still reported.
TEST_F(FailureAtEveryStep, WithoutRightsToATemporaryTheTargetIsRewrittenInPlace) {
  TemporaryFolder folder;
  WriteBytes(folder / "target.vpm", "old");
  ScriptedFileSystem noTemporary;
  noTemporary.noTemporary = SystemError(EACCES);
  EXPECT_TRUE(
      WritePatchMapFile(instrument_, (folder / "target.vpm").native(), noTemporary).Succeeded());
  EXPECT_TRUE(ReadBytes(folder / "target.vpm") == expected_);
  const std::vector<std::string>& steps = noTemporary.steps;
  const std::size_t rewrite =
      static_cast<std::size_t>(std::find(steps.begin(), steps.end(), "no temporary") -
                               steps.begin()) +
      1;
  ASSERT_LT(rewrite, steps.size());
  EXPECT_EQ(steps[rewrite], "truncate") << "the target opened first is written";
  EXPECT_GE(Count(steps, "write"), 4u);
  for (std::size_t failAt = rewrite; failAt < steps.size(); ++failAt) {
    SCOPED_TRACE("failing step " + std::to_string(failAt) + ": " + steps[failAt]);
    TemporaryFolder again;
    WriteBytes(again / "target.vpm", "old");
    ScriptedFileSystem failing(failAt);
    failing.noTemporary = SystemError(EACCES);
    EXPECT_FALSE(
        WritePatchMapFile(instrument_, (again / "target.vpm").native(), failing).Succeeded());
    EXPECT_EQ(FolderEntries(again.path()), std::vector<std::string>{"target.vpm"});
  }
}

// The writer stops at the first piece its sink refuses, wherever that is.
TEST_F(FailureAtEveryStep, TheWriterFailsAtEveryRefusedPiece) {
  class RefusingSink final : public ByteSink {
   public:
    explicit RefusingSink(std::size_t refuseAt) : refuseAt_(refuseAt) {}
    SystemError Write(std::string_view bytes) override {
      if (calls++ == refuseAt_) return SystemError::Posix(ENOSPC);
      text.append(bytes);
      return {};
    }
    std::size_t calls = 0;
    std::string text;

   private:
    std::size_t refuseAt_;
  };
  RefusingSink counting(ScriptedFileSystem::kNever);
  ASSERT_FALSE(WritePatchMapOf(instrument_, counting).Failed());
  ASSERT_EQ(counting.text, expected_);
  for (std::size_t refuseAt = 0; refuseAt < counting.calls; ++refuseAt) {
    RefusingSink sink(refuseAt);
    EXPECT_EQ(WritePatchMapOf(instrument_, sink).Code(), static_cast<std::uint32_t>(ENOSPC))
        << "refusing piece " << refuseAt;
    EXPECT_EQ(sink.calls, refuseAt + 1) << "nothing is written after a refusal";
  }
}

}  // namespace

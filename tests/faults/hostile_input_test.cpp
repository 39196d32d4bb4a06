// Hostile inputs through patchconv: each gives one clear line on standard
// error, exit status 1, and loses nothing; an existing target keeps its bytes
// and no stray file is left. (The 200 MB one-line file and the peak memory
// are measured by scripts/hostile-inputs instead.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "patchconv.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

const std::string kOldTarget = "old patch map\r\n";

std::string PngLikeBytes() {
  std::string bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0", 29);
  std::mt19937 random(7);
  for (int i = 0; i < 4096; ++i) bytes.push_back(static_cast<char>(random()));
  return bytes;
}

// Random bytes without the 0x1A that would end the reading early.
std::string BinaryBytes() {
  std::string bytes;
  std::mt19937 random(11);
  while (bytes.size() < 256 * 1024) {
    char c = static_cast<char>(random());
    if (c != '\x1a') bytes.push_back(c);
  }
  return bytes;
}

struct HostileCase {
  const char* title;
  // Makes the source (and anything else) in the folder; returns the source.
  std::function<fs::path(const fs::path& folder)> makeSource;
  const char* reason;  // after "patchconv: SOURCE: "
};

// Named, so that GoogleTest does not print the case byte by byte.
void PrintTo(const HostileCase& hostile, std::ostream* out) {
  *out << hostile.title;
}

class HostileSource : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileSource, FailsWithAClearMessageAndKeepsTheTarget) {
  TemporaryFolder folder;
  const fs::path source = GetParam().makeSource(folder.path());
  const fs::path target = folder / "target.vpm";
  WriteBytes(target, kOldTarget);
  std::vector<std::string> before = FolderEntries(folder.path());

  PatchconvRun run = Patchconv({source, target});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_EQ(run.err, "patchconv: " + source.string() + ": " + GetParam().reason + "\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadBytes(target), kOldTarget);
  EXPECT_EQ(FolderEntries(folder.path()), before);
}

fs::path WithBytes(const fs::path& folder, const std::string& bytes) {
  WriteBytes(folder / "source.ins", bytes);
  return folder / "source.ins";
}

constexpr const char* kNoBank = "holds no bank (no Patch[n] key in it)";

INSTANTIATE_TEST_SUITE_P(
    Patchconv, HostileSource,
    testing::Values(
        HostileCase{"EmptyFile", [](const fs::path& f) { return WithBytes(f, ""); }, kNoBank},
        HostileCase{"Png", [](const fs::path& f) { return WithBytes(f, PngLikeBytes()); }, kNoBank},
        HostileCase{"RandomBytes", [](const fs::path& f) { return WithBytes(f, BinaryBytes()); },
                    kNoBank},
        HostileCase{"OnlyNulBytes",
                    [](const fs::path& f) { return WithBytes(f, std::string(1 << 20, '\0')); },
                    kNoBank},
        HostileCase{"OneLineWithoutLineFeed",
                    [](const fs::path& f) { return WithBytes(f, std::string(4 << 20, 'x')); },
                    kNoBank},
        HostileCase{"BankKeyAfterEndOfFileMark",
                    [](const fs::path& f) { return WithBytes(f, "[S]\r\n\x1aPatch[0]=L\r\n"); },
                    kNoBank},
        HostileCase{"Folder",
                    [](const fs::path& f) {
                      fs::create_directory(f / "folder.ins");
                      return f / "folder.ins";
                    },
                    "cannot be opened: Is a directory"},
        HostileCase{"MissingFile", [](const fs::path& f) { return f / "missing.ins"; },
                    "cannot be opened: No such file or directory"},
        HostileCase{"InAMissingFolder", [](const fs::path& f) { return f / "none" / "a.ins"; },
                    "cannot be opened: No such file or directory"}),
    [](const testing::TestParamInfo<HostileCase>& param) { return param.param.title; });

const std::string kSource = "[Synth]\r\nPatch[0]=L\r\n[L]\r\n0=Piano & Co\r\n";

TEST(HostileTarget, InAMissingFolderCreatesNothing) {
  TemporaryFolder folder;
  WriteBytes(folder / "a.ins", kSource);
  const fs::path target = folder / "missing" / "a.vpm";
  PatchconvRun run = Patchconv({folder / "a.ins", target});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_EQ(run.err,
            "patchconv: " + target.string() + ": cannot be written: No such file or directory\n");
  EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"a.ins"});
}

TEST(HostileTarget, AFolderIsLeftAlone) {
  TemporaryFolder folder;
  WriteBytes(folder / "a.ins", kSource);
  fs::create_directory(folder / "a.vpm");
  WriteBytes(folder / "a.vpm" / "inside", "kept");
  PatchconvRun run = Patchconv({folder / "a.ins", folder / "a.vpm"});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_EQ(run.err,
            "patchconv: " + (folder / "a.vpm").string() + ": cannot be written: Is a directory\n");
  EXPECT_EQ(ReadBytes(folder / "a.vpm" / "inside"), "kept");
  EXPECT_EQ(FolderEntries(folder.path()), (std::vector<std::string>{"a.ins", "a.vpm"}));
}

// Permissions are checked as a user meets them (as "nobody" under root).
TEST(HostileTarget, AReadOnlyTargetAndAnUnreadableSourceAreRefused) {
  TemporaryFolder folder;
  fs::permissions(folder.path(), fs::perms::all);
  WriteBytes(folder / "a.ins", kSource);
  WriteBytes(folder / "locked.ins", kSource);
  WriteBytes(folder / "a.vpm", kOldTarget);
  ::chmod((folder / "a.ins").c_str(), 0644);
  ::chmod((folder / "locked.ins").c_str(), 0);
  ::chmod((folder / "a.vpm").c_str(), 0444);
  EXPECT_TRUE(AsUnprivilegedUser([&] {
    PatchconvRun readOnly = Patchconv({folder / "a.ins", folder / "a.vpm"});
    PatchconvRun unreadable = Patchconv({folder / "locked.ins", folder / "b.vpm"});
    return readOnly.status == kExitSomeFailed &&
           readOnly.err == "patchconv: " + (folder / "a.vpm").string() +
                               ": cannot be written: Permission denied\n" &&
           unreadable.status == kExitSomeFailed &&
           unreadable.err == "patchconv: " + (folder / "locked.ins").string() +
                                 ": cannot be opened: Permission denied\n";
  }));
  EXPECT_EQ(ReadBytes(folder / "a.vpm"), kOldTarget);
  EXPECT_EQ(FolderEntries(folder.path()),
            (std::vector<std::string>{"a.ins", "a.vpm", "locked.ins"}));
}

TEST(HostileTarget, TheSameFileKeepsASourceThatFails) {
  TemporaryFolder folder;
  const std::string noBank = "[Synth]\r\n0=Piano\r\n";
  WriteBytes(folder / "a.ins", noBank);
  PatchconvRun run = Patchconv({folder / "a.ins", folder / "a.ins"});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_EQ(ReadBytes(folder / "a.ins"), noBank);
  EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"a.ins"});
}

TEST(HostileTarget, AFullStandardOutputIsReported) {
  TemporaryFolder folder;
  WriteBytes(folder / "a.ins", LargeInstrumentText(64 * 1024));
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  std::FILE* err = std::fopen((folder / "err.txt").c_str(), "wb");
  int status = RunPatchconv({folder / "a.ins", "-"}, full, err);
  std::fclose(full);
  std::fclose(err);
  EXPECT_EQ(status, kExitSomeFailed);
  EXPECT_EQ(ReadBytes(folder / "err.txt"),
            "patchconv: " + (folder / "a.ins").string() +
                ": its patch map could not be written to standard output: No space left on "
                "device\n");
}

// A file of one physical line is read in pieces of 299 bytes, each a line of
// its own: keys cut at those places still make an instrument.
TEST(HostileSource, OneLineWithoutLineFeedIsReadInPieces) {
  auto piece = [](std::string text) { return text + std::string(299 - text.size(), ' '); };
  const std::string oneLine =
      piece("[Synth]") + piece("Patch[3]=L") + piece("[L]") + piece("0=Piano") + "1=Organ";
  TemporaryFolder folder;
  WriteBytes(folder / "a.ins", oneLine);
  PatchconvRun run = Patchconv({folder / "a.ins", "-"});
  EXPECT_EQ(run.status, kExitConverted) << run.err;
  EXPECT_EQ(run.out,
            "<patchmap version=\"1.0\" device=\"L\">\r\n"
            "<patch family=\"0\" bank=\"0.3\" preset=\"0\" name=\"Piano\" />\r\n"
            "<patch family=\"0\" bank=\"0.3\" preset=\"1\" name=\"Organ\" />\r\n"
            "</patchmap>\r\n");
}

}  // namespace

// Writing the patch map to disk: a target is either the complete new file or
// keeps its old bytes, and no temporary file is ever left behind.
#include "patch_map_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "instrument_definition.h"
#include "test_files.h"

namespace {

const char* const kSource = "[Synth]\r\nPatch[0]=L\r\n[L]\r\n0=Piano\r\n1=Organ\r\n";
const char* const kPatchMap =
    "<patchmap version=\"1.0\" device=\"L\">\r\n"
    "<patch family=\"0\" bank=\"0.0\" preset=\"0\" name=\"Piano\" />\r\n"
    "<patch family=\"0\" bank=\"0.0\" preset=\"1\" name=\"Organ\" />\r\n"
    "</patchmap>\r\n";
const char* const kOldContent = "old content\n";

class PatchMapFile : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(instrument_.LoadInstrumentText(kSource), 0); }
  InstrumentDefinition instrument_;
  TemporaryFolder folder_;
};

TEST_F(PatchMapFile, CreatesANewFile) {
  EXPECT_EQ(instrument_.WritePatchMap(folder_ / "new.vpm"), 0);
  EXPECT_EQ(ReadBytes(folder_ / "new.vpm"), kPatchMap);
  EXPECT_EQ(folder_.FileCount(), 1u);
}

TEST_F(PatchMapFile, ReplacesAnExistingFileAndKeepsItsPermissions) {
  auto target = folder_ / "old.vpm";
  WriteBytes(target, std::string(100000, 'x'));
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  EXPECT_EQ(instrument_.WritePatchMap(target), 0);
  EXPECT_EQ(ReadBytes(target), kPatchMap);
  struct stat status {};
  ASSERT_EQ(::stat(target.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  EXPECT_EQ(folder_.FileCount(), 1u);
}

// Every name of a file with hard links sees the new patch map.
TEST_F(PatchMapFile, WritesAFileWithOtherNamesInPlace) {
  auto target = folder_ / "target.vpm";
  auto otherName = folder_ / "other.vpm";
  WriteBytes(target, std::string(100000, 'x'));
  std::filesystem::create_hard_link(target, otherName);
  EXPECT_EQ(instrument_.WritePatchMap(target), 0);
  EXPECT_EQ(ReadBytes(target), kPatchMap);
  EXPECT_EQ(ReadBytes(otherName), kPatchMap);
  EXPECT_EQ(std::filesystem::hard_link_count(target), 2u);
  EXPECT_EQ(folder_.FileCount(), 2u);
}

// In a folder where only owners may rename (the sticky bit, as /tmp has), a
// writable target of another user cannot be replaced but can be written.
TEST_F(PatchMapFile, WritesInPlaceWhereTheFolderRefusesTheReplacement) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
  auto shared = folder_ / "shared";
  std::filesystem::create_directory(shared);
  ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
  ASSERT_EQ(::chmod(folder_.path().c_str(), 0755), 0);
  auto target = shared / "o.vpm";
  WriteBytes(target, kOldContent);
  ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
  EXPECT_TRUE(AsUnprivilegedUser([&] { return instrument_.WritePatchMap(target) == 0; }));
  EXPECT_EQ(ReadBytes(target), kPatchMap);
  struct stat status {};
  ASSERT_EQ(::stat(target.c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, 0u) << "the target is the same file, still root's";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(shared),
                          std::filesystem::directory_iterator()),
            1)
      << "no temporary is left behind";
}

// A plain overwrite keeps a file's owner and group, so a replacement must
// too: root converting onto another user's map gives the new file that
// owner; a user who may write another's file but not give it away writes it
// in place.
TEST_F(PatchMapFile, KeepsTheOwnerAndGroupOfTheTarget) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
  constexpr uid_t kNobody = 65534;
  ASSERT_EQ(::chmod(folder_.path().c_str(), 0777), 0);
  auto others = folder_ / "others.vpm";
  WriteBytes(others, kOldContent);
  ASSERT_EQ(::chown(others.c_str(), kNobody, kNobody), 0);
  auto roots = folder_ / "roots.vpm";
  WriteBytes(roots, kOldContent);
  ASSERT_EQ(::chmod(roots.c_str(), 0666), 0);

  EXPECT_EQ(instrument_.WritePatchMap(others), 0);
  EXPECT_TRUE(AsUnprivilegedUser([&] { return instrument_.WritePatchMap(roots) == 0; }));
  for (const auto& [target, owner] : {std::pair{others, kNobody}, std::pair{roots, 0u}}) {
    EXPECT_EQ(ReadBytes(target), kPatchMap);
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, owner) << target;
    EXPECT_EQ(status.st_gid, owner) << target;
  }
  EXPECT_EQ(folder_.FileCount(), 2u) << "no temporary is left behind";
}

TEST_F(PatchMapFile, WritesIntoADeviceInsteadOfReplacingIt) {
  if (!std::filesystem::is_character_file("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  // The device stays a device, and its "disk full" reaches the result.
  EXPECT_EQ(instrument_.WritePatchMap("/dev/full"), -1);
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
  EXPECT_EQ(instrument_.WritePatchMap("/dev/null"), 0);
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

TEST_F(PatchMapFile, RefusesAReadOnlyTargetAndLeavesItAlone) {
  auto target = folder_ / "readonly.vpm";
  WriteBytes(target, kOldContent);
  ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(folder_.path().c_str(), 0777), 0);  // the folder itself takes new files
  EXPECT_TRUE(AsUnprivilegedUser([&] { return instrument_.WritePatchMap(target) == -1; }));
  EXPECT_EQ(ReadBytes(target), kOldContent);
  EXPECT_EQ(folder_.FileCount(), 1u);
}

TEST_F(PatchMapFile, RefusesFoldersMissingFoldersAndEmptyPaths) {
  std::filesystem::create_directory(folder_ / "sub.vpm");
  EXPECT_EQ(instrument_.WritePatchMap(folder_ / "sub.vpm"), -1);
  EXPECT_TRUE(std::filesystem::is_directory(folder_ / "sub.vpm"));
  EXPECT_EQ(instrument_.WritePatchMap(folder_ / "missing" / "x.vpm"), -1);
  EXPECT_EQ(instrument_.WritePatchMap(""), -1);
  EXPECT_EQ(folder_.FileCount(), 1u);
}

TEST_F(PatchMapFile, SourceAndTargetMayBeTheSameFile) {
  auto both = folder_ / "both.ins";
  WriteBytes(both, kSource);
  InstrumentDefinition instrument;
  ASSERT_EQ(instrument.LoadInstrumentFile(both), 0);
  EXPECT_EQ(instrument.WritePatchMap(both), 0);
  EXPECT_EQ(ReadBytes(both), kPatchMap);
}

TEST_F(PatchMapFile, WritesThroughALinkAndKeepsTheLink) {
  auto real = folder_ / "real.vpm";
  auto link = folder_ / "link.vpm";
  WriteBytes(real, kOldContent);
  std::filesystem::create_symlink(real, link);
  EXPECT_EQ(instrument_.WritePatchMap(link), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadBytes(real), kPatchMap);
}

// A link to a file that does not exist yet makes that file, as a shell's
// redirection does, and stays a link: relative links are read from their own
// folder, and a chain of links is followed to its end.
TEST_F(PatchMapFile, MakesTheFileThatADanglingLinkNames) {
  std::filesystem::create_directory(folder_ / "maps");
  std::filesystem::create_directory(folder_ / "links");
  auto link = folder_ / "links" / "link.vpm";
  auto chained = folder_ / "chained.vpm";
  std::filesystem::create_symlink("../maps/new.vpm", link);
  std::filesystem::create_symlink(link, chained);
  EXPECT_EQ(instrument_.WritePatchMap(chained), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_TRUE(std::filesystem::is_symlink(chained));
  EXPECT_EQ(ReadBytes(folder_ / "maps" / "new.vpm"), kPatchMap);
  std::filesystem::create_symlink("missing/x.vpm", folder_ / "nowhere.vpm");
  EXPECT_EQ(instrument_.WritePatchMap(folder_ / "nowhere.vpm"), -1);
  EXPECT_TRUE(std::filesystem::is_symlink(folder_ / "nowhere.vpm"));
}

}  // namespace

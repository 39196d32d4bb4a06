// A disk that is really full: a small tmpfs mounted for each test and filled
// up. Mounting needs root (CI runs as root); elsewhere these tests skip and
// say so.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "patchconv.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

using Entries = std::vector<std::string>;

class FullDisk : public testing::Test {
 protected:
  void SetUp() override { Mount("size=1m,mode=0755"); }

  void TearDown() override {
    if (mounted_) ::umount2(mountPoint_.c_str(), MNT_DETACH);
  }

  void Mount(const std::string& options) {
    mountPoint_ = folder_ / "disk";
    fs::create_directory(mountPoint_);
    const unsigned long flags = MS_NOSUID | MS_NODEV;
    if (::mount("tmpfs", mountPoint_.c_str(), "tmpfs", flags, options.c_str()) != 0) {
      const std::string why = std::strerror(errno);
      // CI runs as root and must really fill a disk: there a refusal fails.
      if (std::getenv("CI") != nullptr) FAIL() << "CI cannot mount a tmpfs: " << why;
      GTEST_SKIP() << "cannot mount a tmpfs to fill (" << why
                   << "): the full-disk tests need root, as in CI";
    }
    mounted_ = true;
  }

  // Fills the disk with one file, then frees `leaveFree` bytes of it.
  void FillLeaving(off_t leaveFree) {
    int fd = ::open((mountPoint_ / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    off_t size = 0;
    for (ssize_t written; (written = ::write(fd, block.data(), block.size())) > 0;) size += written;
    ASSERT_EQ(errno, ENOSPC);
    ASSERT_EQ(::ftruncate(fd, size > leaveFree ? size - leaveFree : 0), 0);
    ::close(fd);
  }

  fs::path Source(const std::string& text) {
    WriteBytes(folder_ / "source.ins", text);
    return folder_ / "source.ins";
  }

  TemporaryFolder folder_;
  fs::path mountPoint_;
  bool mounted_ = false;
  const std::string source_ = LargeInstrumentText(600 * 1024);
  const std::string expected_ = PatchMapOf(source_);
};

TEST_F(FullDisk, FailsWithTheReasonAndKeepsTheTarget) {
  const fs::path target = mountPoint_ / "target.vpm";
  WriteBytes(target, "old patch map");
  FillLeaving(0);
  PatchconvRun run = Patchconv({Source(source_), target});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_EQ(run.err,
            "patchconv: " + target.string() + ": cannot be written: No space left on device\n");
  EXPECT_EQ(ReadBytes(target), "old patch map");
  EXPECT_EQ(FolderEntries(mountPoint_), (Entries{"filler", "target.vpm"}));

  fs::remove(mountPoint_ / "filler");
  EXPECT_EQ(Patchconv({Source(source_), target}).status, kExitConverted);
  EXPECT_EQ(ReadBytes(target), expected_);
}

TEST_F(FullDisk, SpaceRunningOutHalfwayLeavesNoPartialFile) {
  for (off_t leaveFree : {off_t{4096}, off_t{64 * 1024}, off_t{256 * 1024}}) {
    SCOPED_TRACE("free bytes: " + std::to_string(leaveFree));
    FillLeaving(leaveFree);
    PatchconvRun run = Patchconv({Source(source_), mountPoint_ / "new.vpm"});
    EXPECT_EQ(run.status, kExitSomeFailed);
    EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
    EXPECT_EQ(FolderEntries(mountPoint_), (Entries{"filler"}));
  }
}

TEST_F(FullDisk, TheSourceAsTargetSurvives) {
  const fs::path source = mountPoint_ / "synth.ins";
  WriteBytes(source, source_);
  FillLeaving(64 * 1024);  // the patch map is larger than the source
  EXPECT_EQ(Patchconv({source, source}).status, kExitSomeFailed);
  EXPECT_EQ(ReadBytes(source), source_);
  EXPECT_EQ(FolderEntries(mountPoint_), (Entries{"filler", "synth.ins"}));
}

TEST_F(FullDisk, EachFileOfAFolderConversionFailsOnItsOwn) {
  WriteBytes(folder_ / "a.ins", source_);
  WriteBytes(folder_ / "b.ins", "[Tiny]\nPatch[0]=T\n[T]\n0=One\n");
  FillLeaving(16 * 1024);  // room for the small map only
  PatchconvRun run = Patchconv({"-d", mountPoint_, folder_ / "a.ins", folder_ / "b.ins"});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_NE(run.err.find("a.vpm: cannot be written"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("b.vpm"), std::string::npos) << run.err;
  EXPECT_EQ(FolderEntries(mountPoint_), (Entries{"b.vpm", "filler"}));
}

TEST_F(FullDisk, AReadOnlyDiskRefusesAndKeepsTheTarget) {
  const fs::path target = mountPoint_ / "target.vpm";
  WriteBytes(target, "old patch map");
  ASSERT_EQ(::mount("tmpfs", mountPoint_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, ""), 0);
  PatchconvRun run = Patchconv({Source(source_), target});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_EQ(run.err,
            "patchconv: " + target.string() + ": cannot be written: Read-only file system\n");
  EXPECT_EQ(ReadBytes(target), "old patch map");
}

// With no inode left no temporary can be made: the conversion fails and the
// existing target keeps its old bytes, never half of a new map.
TEST_F(FullDisk, WithoutInodesTheTargetKeepsItsBytes) {
  ::umount2(mountPoint_.c_str(), MNT_DETACH);
  mounted_ = false;
  Mount("size=1m,nr_inodes=2,mode=0755");  // the root folder and the target
  if (!mounted_) return;
  const fs::path target = mountPoint_ / "target.vpm";
  WriteBytes(target, "old patch map");
  ASSERT_EQ(FolderEntries(mountPoint_), (Entries{"target.vpm"}));
  EXPECT_EQ(Patchconv({Source(source_), mountPoint_ / "other.vpm"}).status, kExitSomeFailed)
      << "a new file cannot be made at all";
  PatchconvRun run = Patchconv({Source(source_), target});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_EQ(run.err,
            "patchconv: " + target.string() + ": cannot be written: No space left on device\n");
  EXPECT_EQ(ReadBytes(target), "old patch map");
  EXPECT_EQ(FolderEntries(mountPoint_), (Entries{"target.vpm"}));
}

}  // namespace

// Writing the patch map to disk: a target is either the complete new file or
// keeps its old bytes, and no temporary file is ever left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "instrument_definition.h"
#include "patch_map_file.h"
#include "test_files.h"

namespace {

const char* const kSource = "[Synth]\r\nPatch[0]=L\r\n[L]\r\n0=Piano\r\n1=Organ\r\n";
const char* const kPatchMap =
    "<patchmap version=\"1.0\" device=\"L\">\r\n"
    "<patch family=\"0\" bank=\"0.0\" preset=\"0\" name=\"Piano\" />\r\n"
    "<patch family=\"0\" bank=\"0.0\" preset=\"1\" name=\"Organ\" />\r\n"
    "</patchmap>\r\n";
const char* const kOldContent = "old content\n";

// The real file system, but the step named by `failing` fails.
class FailingFileSystem : public FileSystem {
 public:
  enum Step { kNone, kOpenExisting, kCreateTemporary, kWrite, kFlush, kClose, kPermissions, kReplace };
  explicit FailingFileSystem(Step failing) : failing_(failing) {}

  std::FILE* CreateTemporary(const std::filesystem::path& folder,
                             std::filesystem::path& created) override {
    if (failing_ == kCreateTemporary) return Fail<std::FILE*>(nullptr);
    return FileSystem::CreateTemporary(folder, created);
  }
  std::FILE* OpenExistingForWriting(const std::filesystem::path& path, bool truncate) override {
    if (failing_ == kOpenExisting) return Fail<std::FILE*>(nullptr);
    return FileSystem::OpenExistingForWriting(path, truncate);
  }
  bool Write(std::FILE* file, const char* data, std::size_t size) override {
    return failing_ == kWrite ? Fail(false) : FileSystem::Write(file, data, size);
  }
  bool Flush(std::FILE* file) override {
    return failing_ == kFlush ? Fail(false) : FileSystem::Flush(file);
  }
  bool Close(std::FILE* file) override {
    bool closed = FileSystem::Close(file);  // the stream is freed either way
    return failing_ == kClose ? Fail(false) : closed;
  }
  bool CopyPermissions(const std::filesystem::path& from, std::FILE* to) override {
    return failing_ == kPermissions ? Fail(false) : FileSystem::CopyPermissions(from, to);
  }
  bool Replace(const std::filesystem::path& from, const std::filesystem::path& to) override {
    return failing_ == kReplace ? Fail(false) : FileSystem::Replace(from, to);
  }

 private:
  template <typename T>
  T Fail(T result) {
    errno = ENOSPC;
    return result;
  }
  Step failing_;
};

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

class InjectedFailure : public PatchMapFile,
                        public testing::WithParamInterface<FailingFileSystem::Step> {};

TEST_P(InjectedFailure, KeepsTheOldTargetAndLeavesNoTemporary) {
  auto target = folder_ / "target.vpm";
  WriteBytes(target, kOldContent);
  FailingFileSystem fileSystem(GetParam());
  errno = 0;
  EXPECT_EQ(WritePatchMapFile(instrument_, target, fileSystem), -1);
  EXPECT_EQ(errno, ENOSPC) << "the reason of the failure is kept for the message";
  EXPECT_EQ(ReadBytes(target), kOldContent);
  EXPECT_EQ(folder_.FileCount(), 1u);
}

class InjectedFailureWithoutTarget : public InjectedFailure {};

TEST_P(InjectedFailureWithoutTarget, CreatesNoFile) {
  FailingFileSystem fileSystem(GetParam());
  EXPECT_EQ(WritePatchMapFile(instrument_, folder_ / "target.vpm", fileSystem), -1);
  EXPECT_EQ(folder_.FileCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryStep, InjectedFailure,
                         testing::Values(FailingFileSystem::kOpenExisting, FailingFileSystem::kWrite,
                                         FailingFileSystem::kFlush, FailingFileSystem::kClose,
                                         FailingFileSystem::kPermissions,
                                         FailingFileSystem::kReplace));
// Without a target there is nothing to open or take permissions from.
INSTANTIATE_TEST_SUITE_P(EveryStep, InjectedFailureWithoutTarget,
                         testing::Values(FailingFileSystem::kCreateTemporary,
                                         FailingFileSystem::kWrite, FailingFileSystem::kFlush,
                                         FailingFileSystem::kClose, FailingFileSystem::kReplace));

TEST_F(PatchMapFile, FallsBackToWritingInPlaceWhenTheFolderTakesNoNewFile) {
  auto target = folder_ / "target.vpm";
  WriteBytes(target, kOldContent);
  FailingFileSystem fileSystem(FailingFileSystem::kCreateTemporary);
  EXPECT_EQ(WritePatchMapFile(instrument_, target, fileSystem), 0);
  EXPECT_EQ(ReadBytes(target), kPatchMap);
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

}  // namespace

// Writing the patch map to disk, row by row of the table at the top of
// core/patch_map_file.cpp: each row on the scripted file system with the
// answers of both systems, and, where the kernel can show it, as a real user
// on a real folder.
#include "patch_map_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "instrument_definition.h"
#include "scripted_file_system.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

const char* const kSource = "[Synth]\r\nPatch[0]=L\r\n[L]\r\n0=Piano\r\n1=Organ\r\n";
const char* const kPatchMap =
    "<patchmap version=\"1.0\" device=\"L\">\r\n"
    "<patch family=\"0\" bank=\"0.0\" preset=\"0\" name=\"Piano\" />\r\n"
    "<patch family=\"0\" bank=\"0.0\" preset=\"1\" name=\"Organ\" />\r\n"
    "</patchmap>\r\n";
const char* const kOldContent = "old content\n";

// The path a write took, as its steps show it.
enum class Taken { kReplaced, kInPlace, kRefused };

const char* Name(Taken taken) {
  switch (taken) {
    case Taken::kReplaced:
      return "replaced";
    case Taken::kInPlace:
      return "written in place";
    case Taken::kRefused:
      return "refused";
  }
  return "?";
}

// Nothing written: refused; the target emptied (a file) or no replacement
// tried (a device): written in place; otherwise replaced.
Taken TakenBy(const std::vector<std::string>& steps) {
  auto has = [&](const char* step) {
    return std::find(steps.begin(), steps.end(), step) != steps.end();
  };
  if (!has("write")) return Taken::kRefused;
  return has("truncate") || !has("replace") ? Taken::kInPlace : Taken::kReplaced;
}

// One answer of the system at one step, as POSIX and as Windows give it.
struct Answer {
  const char* step;
  std::uint32_t posix;
  std::optional<std::uint32_t> windows;  // none where Windows never asks that step
};

struct Row {
  const char* target;
  // Makes the target in the folder (or not) and returns its path.
  std::function<fs::path(const TemporaryFolder&)> prepare;
  std::optional<Answer> answer;  // none: the real file system's own
  Taken taken;
  bool succeeds;
  // What the target holds afterwards ("" for no file).
  const char* holds;
};

fs::path OldFile(const TemporaryFolder& folder) {
  WriteBytes(folder / "t.vpm", kOldContent);
  return folder / "t.vpm";
}

fs::path NewFile(const TemporaryFolder& folder) {
  return folder / "t.vpm";
}

// The rows of the table, in its order.
std::vector<Row> TableRows() {
  constexpr std::uint32_t kAccessDenied = 5, kDiskFull = 112, kUnableToRemoveReplaced = 1175,
                          kDirectoryNotSupported = 336;
  return {
      {"a folder",
       [](const TemporaryFolder& f) {
         fs::create_directory(f / "t.vpm");
         return f / "t.vpm";
       },
       Answer{"open target", EISDIR, kDirectoryNotSupported}, Taken::kRefused, false, nullptr},
      {"read-only", OldFile, Answer{"open target", EACCES, kAccessDenied}, Taken::kRefused, false,
       kOldContent},
      {"a device", [](const TemporaryFolder&) { return fs::path("/dev/null"); }, std::nullopt,
       Taken::kInPlace, true, nullptr},
      {"a file with other hard links",
       [](const TemporaryFolder& f) {
         fs::create_hard_link(OldFile(f), f / "other.vpm");
         return f / "t.vpm";
       },
       std::nullopt, Taken::kInPlace, true, kPatchMap},
      {"none yet, its folder takes no new file for lack of rights", NewFile,
       Answer{"create temporary", EACCES, kAccessDenied}, Taken::kRefused, false, ""},
      {"none yet, no room for it", NewFile, Answer{"create temporary", ENOSPC, kDiskFull},
       Taken::kRefused, false, ""},
      {"none yet, in a missing folder", [](const TemporaryFolder& f) { return f / "no" / "t.vpm"; },
       std::nullopt, Taken::kRefused, false, ""},
      {"none yet", NewFile, std::nullopt, Taken::kReplaced, true, kPatchMap},
      {"a file in a folder that refuses new files", OldFile,
       Answer{"create temporary", EACCES, kAccessDenied}, Taken::kInPlace, true, kPatchMap},
      {"a file, and no room for a new one", OldFile, Answer{"create temporary", ENOSPC, kDiskFull},
       Taken::kRefused, false, kOldContent},
      {"another's file whose owner cannot be given", OldFile,
       Answer{"copy owner", EPERM, std::nullopt}, Taken::kInPlace, true, kPatchMap},
      {"a file whose attributes cannot be given", OldFile,
       Answer{"copy owner", ENOTSUP, std::nullopt}, Taken::kInPlace, true, kPatchMap},
      {"a file whose owner cannot be read", OldFile, Answer{"copy owner", EIO, std::nullopt},
       Taken::kRefused, false, kOldContent},
      {"a regular file of one name", OldFile, std::nullopt, Taken::kReplaced, true, kPatchMap},
      {"one whose replacement is refused", OldFile,
       Answer{"replace", EPERM, kUnableToRemoveReplaced}, Taken::kInPlace, true, kPatchMap},
      {"one whose replacement fails otherwise", OldFile, Answer{"replace", ENOSPC, kDiskFull},
       Taken::kReplaced, false, kOldContent},
  };
}

class PatchMapFile : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(LoadInstrumentText(instrument_, kSource), 0); }
  InstrumentDefinition instrument_;
  TemporaryFolder folder_;
};

TEST_F(PatchMapFile, EachTargetTakesThePathOfItsRow) {
  for (const Row& row : TableRows()) {
    std::vector<std::optional<SystemError>> answers{std::nullopt};
    if (row.answer) {
      answers = {SystemError::Posix(row.answer->posix)};
      if (row.answer->windows) answers.push_back(SystemError::Windows(*row.answer->windows));
    }
    for (const std::optional<SystemError>& answer : answers) {
      SCOPED_TRACE(std::string(row.target) +
                   (answer ? std::string(", answer ") + std::to_string(answer->Code()) : ""));
      TemporaryFolder folder;
      const fs::path target = row.prepare(folder);
      ScriptedFileSystem fileSystem(answer ? row.answer->step : "");
      if (answer) fileSystem.reason = *answer;
      const WriteResult result = WritePatchMapFile(instrument_, target.native(), fileSystem);
      EXPECT_EQ(result.Succeeded(), row.succeeds);
      EXPECT_EQ(result.error.Failed(), !row.succeeds) << "a failure says why";
      EXPECT_STREQ(Name(TakenBy(fileSystem.steps)), Name(row.taken));
      if (row.holds != nullptr) {
        EXPECT_EQ(fs::exists(target) ? ReadBytes(target) : "", row.holds);
      }
      const auto stray = std::count_if(
          fs::directory_iterator(folder.path()), {},
          [](const auto& e) { return e.path().filename().string().starts_with(".patchconv-"); });
      EXPECT_EQ(stray, 0) << "no temporary is left behind";
    }
  }
}

// A name of an open descriptor is that descriptor: a log opened for
// appending gets the map after what it holds, and keeps it all.
TEST_F(PatchMapFile, WritesANamedDescriptorWhereItStands) {
  WriteBytes(folder_ / "log", "before\n");
  const int log = ::open((folder_ / "log").c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(log, 0);
  for (const std::string& name :
       {"/dev/fd/" + std::to_string(log), "/proc/self/fd/" + std::to_string(log)}) {
    ScriptedFileSystem fileSystem;
    EXPECT_TRUE(WritePatchMapFile(instrument_, name, fileSystem).Succeeded()) << name;
    EXPECT_EQ(std::count(fileSystem.steps.begin(), fileSystem.steps.end(), "truncate"), 0);
  }
  ::close(log);
  EXPECT_EQ(ReadBytes(folder_ / "log"), std::string("before\n") + kPatchMap + kPatchMap);
  // A pipe is written, not taken for a file named "pipe:[N]".
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  EXPECT_EQ(instrument_.WritePatchMap("/dev/fd/" + std::to_string(pipe[1])), 0);
  ::close(pipe[1]);
  std::string read(4096, '\0');
  read.resize(static_cast<std::size_t>(::read(pipe[0], read.data(), read.size())));
  ::close(pipe[0]);
  EXPECT_EQ(read, kPatchMap);
  EXPECT_EQ(instrument_.WritePatchMap("/dev/fd/987"), -1) << "a descriptor not open";
}

// The rows that the kernel can show as a real user on a real folder.
TEST_F(PatchMapFile, AsAUserOnARealFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  ASSERT_EQ(::chmod(folder_.path().c_str(), 0755), 0);
  const fs::path readOnly = folder_ / "ro", sticky = folder_ / "sticky";
  fs::create_directory(readOnly);
  fs::create_directory(sticky);
  WriteBytes(readOnly / "writable.vpm", kOldContent);
  WriteBytes(readOnly / "readonly.vpm", kOldContent);
  WriteBytes(sticky / "others.vpm", kOldContent);
  ASSERT_EQ(::chmod((readOnly / "writable.vpm").c_str(), 0666), 0);
  ASSERT_EQ(::chmod((readOnly / "readonly.vpm").c_str(), 0444), 0);
  ASSERT_EQ(::chmod((sticky / "others.vpm").c_str(), 0666), 0);
  ASSERT_EQ(::chmod(readOnly.c_str(), 0555), 0);
  ASSERT_EQ(::chmod(sticky.c_str(), 01777), 0);
  struct Case {
    fs::path target;
    bool succeeds;
    const char* holds;  // nullptr: no such file
  };
  for (const Case& c : {Case{readOnly / "new.vpm", false, nullptr},
                        Case{readOnly / "writable.vpm", true, kPatchMap},
                        Case{readOnly / "readonly.vpm", false, kOldContent},
                        Case{sticky / "others.vpm", true, kPatchMap}}) {
    EXPECT_TRUE(AsUnprivilegedUser([&] {
      return (instrument_.WritePatchMap(c.target) == 0) == c.succeeds;
    })) << c.target;
    if (c.holds == nullptr) {
      EXPECT_FALSE(fs::exists(c.target));
    } else {
      EXPECT_EQ(ReadBytes(c.target), c.holds) << c.target;
      struct stat status {};
      ASSERT_EQ(::stat(c.target.c_str(), &status), 0);
      EXPECT_EQ(status.st_uid, 0u) << "the same file, still root's: " << c.target;
    }
  }
  EXPECT_EQ(FolderEntries(readOnly), (std::vector<std::string>{"readonly.vpm", "writable.vpm"}));
  EXPECT_EQ(FolderEntries(sticky), (std::vector<std::string>{"others.vpm"}));
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

// An access control list in the form Linux keeps it as an extended attribute:
// the owner rw-, nobody rw-, the owning group r--, mask rw-, others none.
std::string AccessListGivingNobodyWrite() {
  std::string acl;
  auto add = [&](std::uint32_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) acl.push_back(static_cast<char>(value >> (8 * i)));
  };
  add(2, 4);  // the format's version
  for (const auto& [tag, permissions, id] :
       {std::tuple{0x01u, 6u, ~0u}, std::tuple{0x02u, 6u, 65534u}, std::tuple{0x04u, 4u, ~0u},
        std::tuple{0x10u, 6u, ~0u}, std::tuple{0x20u, 0u, ~0u}}) {
    add(tag, 2);
    add(permissions, 2);
    add(id, 4);
  }
  return acl;
}

std::string Attribute(const fs::path& path, const char* name) {
  std::string value(4096, '\0');
  const ssize_t size = ::getxattr(path.c_str(), name, value.data(), value.size());
  value.resize(size < 0 ? 0 : static_cast<std::size_t>(size));
  return value;
}

// The access control list and the other extended attributes of a replaced
// target stay, and its mode's group bits, the list's mask, grant the owning
// group nothing more than before.
TEST_F(PatchMapFile, KeepsTheAccessListAndAttributesOfTheTarget) {
  const fs::path target = folder_ / "t.vpm";
  WriteBytes(target, kOldContent);
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  const std::string acl = AccessListGivingNobodyWrite();
  if (::setxattr(target.c_str(), "user.note", "kept", 4, 0) != 0 ||
      ::setxattr(target.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0) {
    GTEST_SKIP() << "this file system keeps no extended attributes: " << std::strerror(errno);
  }
  const std::string aclBefore = Attribute(target, "system.posix_acl_access");
  struct stat before {};
  ASSERT_EQ(::stat(target.c_str(), &before), 0);
  ScriptedFileSystem fileSystem;
  EXPECT_TRUE(WritePatchMapFile(instrument_, target.native(), fileSystem).Succeeded());
  EXPECT_EQ(std::count(fileSystem.steps.begin(), fileSystem.steps.end(), "replace"), 1);
  EXPECT_EQ(ReadBytes(target), kPatchMap);
  EXPECT_EQ(Attribute(target, "user.note"), "kept");
  EXPECT_EQ(Attribute(target, "system.posix_acl_access"), aclBefore);
  struct stat after {};
  ASSERT_EQ(::stat(target.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
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
  fs::create_symlink(real, link);
  EXPECT_EQ(instrument_.WritePatchMap(link), 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(real), kPatchMap);
}

// A link to a file that does not exist yet makes that file, as a shell's
// redirection does, and stays a link: relative links are read from their own
// folder, and a chain of links is followed to its end.
TEST_F(PatchMapFile, MakesTheFileThatADanglingLinkNames) {
  fs::create_directory(folder_ / "maps");
  fs::create_directory(folder_ / "links");
  auto link = folder_ / "links" / "link.vpm";
  auto chained = folder_ / "chained.vpm";
  fs::create_symlink("../maps/new.vpm", link);
  fs::create_symlink(link, chained);
  EXPECT_EQ(instrument_.WritePatchMap(chained), 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::is_symlink(chained));
  EXPECT_EQ(ReadBytes(folder_ / "maps" / "new.vpm"), kPatchMap);
  fs::create_symlink("missing/x.vpm", folder_ / "nowhere.vpm");
  EXPECT_EQ(instrument_.WritePatchMap(folder_ / "nowhere.vpm"), -1);
  EXPECT_TRUE(fs::is_symlink(folder_ / "nowhere.vpm"));
}

}  // namespace

// patchconv as a user meets it: exit statuses, messages and files.
#include "patchconv.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

const char* const kSource = "[Synth]\r\nPatch[0]=L\r\n[L]\r\n0=Piano\r\n";
const char* const kPatchMap =
    "<patchmap version=\"1.0\" device=\"L\">\r\n"
    "<patch family=\"0\" bank=\"0.0\" preset=\"0\" name=\"Piano\" />\r\n"
    "</patchmap>\r\n";

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

// Runs patchconv in-process with its output and messages caught in files.
Outcome Patchconv(std::vector<std::filesystem::path> arguments) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  Outcome run{RunPatchconv(arguments, out, err), "", ""};
  for (auto [file, text] : {std::pair{out, &run.out}, std::pair{err, &run.err}}) {
    std::fflush(file);
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text->push_back(static_cast<char>(c));
    std::fclose(file);
  }
  return run;
}

class PatchconvTest : public testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(folder_ / "synth.ins", kSource);
    WriteBytes(folder_ / "nobank.ins", "[Synth]\n0=Piano\n");
  }
  TemporaryFolder folder_;
};

TEST_F(PatchconvTest, ConvertsOneFile) {
  Outcome run = Patchconv({folder_ / "synth.ins", folder_ / "out.vpm"});
  EXPECT_EQ(run.status, kExitConverted);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadBytes(folder_ / "out.vpm"), kPatchMap);
}

TEST_F(PatchconvTest, WritesToStandardOutputWithCrLf) {
  Outcome run = Patchconv({folder_ / "synth.ins", "-"});
  EXPECT_EQ(run.status, kExitConverted);
  EXPECT_EQ(run.out, kPatchMap);
}

TEST_F(PatchconvTest, ExplainsEachFailureOnOneLine) {
  struct Case {
    std::filesystem::path source, target;
    std::string message;
  };
  std::filesystem::create_directory(folder_ / "folder.ins");
  for (const Case& c : {
           Case{folder_ / "missing.ins", folder_ / "a.vpm",
                (folder_ / "missing.ins").string() + ": cannot be opened: No such file or directory"},
           Case{folder_ / "folder.ins", folder_ / "a.vpm",
                (folder_ / "folder.ins").string() + ": cannot be opened: Is a directory"},
           Case{folder_ / "nobank.ins", folder_ / "a.vpm",
                (folder_ / "nobank.ins").string() + ": holds no bank (no Patch[n] key in it)"},
           Case{folder_ / "synth.ins", folder_ / "none" / "a.vpm",
                (folder_ / "none" / "a.vpm").string() +
                    ": cannot be written: No such file or directory"},
       }) {
    Outcome run = Patchconv({c.source, c.target});
    EXPECT_EQ(run.status, kExitSomeFailed);
    EXPECT_EQ(run.err, "patchconv: " + c.message + "\n");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "a.vpm"));
  }
}

TEST_F(PatchconvTest, AFailedSourceLeavesTheTargetAlone) {
  WriteBytes(folder_ / "keep.vpm", "keep");
  EXPECT_EQ(Patchconv({folder_ / "nobank.ins", folder_ / "keep.vpm"}).status, kExitSomeFailed);
  EXPECT_EQ(ReadBytes(folder_ / "keep.vpm"), "keep");
}

TEST_F(PatchconvTest, ReadOnlyTargetFailsUnchanged) {
  WriteBytes(folder_ / "ro.vpm", "keep");
  ::chmod((folder_ / "ro.vpm").c_str(), 0444);
  ::chmod(folder_.path().c_str(), 0777);
  EXPECT_TRUE(AsUnprivilegedUser([&] {
    Outcome run = Patchconv({folder_ / "synth.ins", folder_ / "ro.vpm"});
    return run.status == kExitSomeFailed &&
           run.err.find("cannot be written: Permission denied") != std::string::npos;
  }));
  EXPECT_EQ(ReadBytes(folder_ / "ro.vpm"), "keep");
}

TEST_F(PatchconvTest, ConvertsManyIntoAFolderAndGoesOnAfterAFailure) {
  std::filesystem::create_directory(folder_ / "out");
  WriteBytes(folder_ / "second.INS", kSource);
  Outcome run = Patchconv({"-d", folder_ / "out", folder_ / "synth.ins", folder_ / "nobank.ins",
                       folder_ / "second.INS"});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_EQ(ReadBytes(folder_ / "out" / "synth.vpm"), kPatchMap);
  EXPECT_EQ(ReadBytes(folder_ / "out" / "second.vpm"), kPatchMap);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "out" / "nobank.vpm"));
  EXPECT_NE(run.err.find("nobank.ins: holds no bank"), std::string::npos) << run.err;

  EXPECT_EQ(Patchconv({"--output-dir", folder_ / "out", folder_ / "synth.ins"}).status,
            kExitConverted);
}

TEST_F(PatchconvTest, RefusesASecondSourceOfTheSameName) {
  std::filesystem::create_directories(folder_ / "other");
  WriteBytes(folder_ / "other" / "synth.ins", "Patch[5]=X\n");
  Outcome run = Patchconv({"-d", folder_.path(), folder_ / "synth.ins", folder_ / "other" / "synth.ins"});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_EQ(ReadBytes(folder_ / "synth.vpm"), kPatchMap);
}

TEST_F(PatchconvTest, SameFileAsSourceAndTarget) {
  EXPECT_EQ(Patchconv({folder_ / "synth.ins", folder_ / "synth.ins"}).status, kExitConverted);
  EXPECT_EQ(ReadBytes(folder_ / "synth.ins"), kPatchMap);
}

TEST(PatchconvUsage, WrongUsageHelpAndVersion) {
  struct Case {
    std::vector<std::filesystem::path> arguments;
    int status;
    const char* outStart;
    const char* errStart;
  };
  for (const Case& c : {Case{{}, kExitUsage, "", "patchconv: expected a source and a target\nusage:"},
                        Case{{"a.ins"}, kExitUsage, "", "patchconv: expected"},
                        Case{{"a", "b", "c"}, kExitUsage, "", "patchconv: expected"},
                        Case{{"-d", "out"}, kExitUsage, "", "patchconv: -d needs"},
                        Case{{"--help"}, kExitConverted, "usage: patchconv", ""},
                        Case{{"-h"}, kExitConverted, "usage: patchconv", ""},
                        Case{{"--version"}, kExitConverted, "patchconv 1.0.0.1\n", ""}}) {
    Outcome run = Patchconv(c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out.rfind(c.outStart, 0), 0u) << run.out;
    EXPECT_EQ(run.err.rfind(c.errStart, 0), 0u) << run.err;
  }
}

}  // namespace

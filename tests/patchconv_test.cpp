// patchconv as a user meets it: exit statuses, messages and files.
#include "patchconv.h"

#include <fcntl.h>
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

class PatchconvTest : public testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(folder_ / "synth.ins", kSource);
    WriteBytes(folder_ / "nobank.ins", "[Synth]\n0=Piano\n");
  }
  TemporaryFolder folder_;
};

TEST_F(PatchconvTest, ConvertsOneFile) {
  PatchconvRun run = Patchconv({folder_ / "synth.ins", folder_ / "out.vpm"});
  EXPECT_EQ(run.status, kExitConverted);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadBytes(folder_ / "out.vpm"), kPatchMap);
}

TEST_F(PatchconvTest, WritesToStandardOutputWithCrLf) {
  PatchconvRun run = Patchconv({folder_ / "synth.ins", "-"});
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
                (folder_ / "missing.ins").string() +
                    ": cannot be opened: No such file or directory"},
           Case{folder_ / "folder.ins", folder_ / "a.vpm",
                (folder_ / "folder.ins").string() + ": cannot be opened: Is a directory"},
           Case{folder_ / "nobank.ins", folder_ / "a.vpm",
                (folder_ / "nobank.ins").string() + ": holds no bank (no Patch[n] key in it)"},
           Case{folder_ / "synth.ins", folder_ / "none" / "a.vpm",
                (folder_ / "none" / "a.vpm").string() +
                    ": cannot be written: No such file or directory"},
       }) {
    PatchconvRun run = Patchconv({c.source, c.target});
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
    PatchconvRun run = Patchconv({folder_ / "synth.ins", folder_ / "ro.vpm"});
    return run.status == kExitSomeFailed &&
           run.err.find("cannot be written: Permission denied") != std::string::npos;
  }));
  EXPECT_EQ(ReadBytes(folder_ / "ro.vpm"), "keep");
}

TEST_F(PatchconvTest, ConvertsManyIntoAFolderAndGoesOnAfterAFailure) {
  std::filesystem::create_directory(folder_ / "out");
  WriteBytes(folder_ / "second.INS", kSource);
  PatchconvRun run = Patchconv({"-d", folder_ / "out", folder_ / "synth.ins",
                                folder_ / "nobank.ins", folder_ / "second.INS"});
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
  PatchconvRun run =
      Patchconv({"-d", folder_.path(), folder_ / "synth.ins", folder_ / "other" / "synth.ins"});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_EQ(ReadBytes(folder_ / "synth.vpm"), kPatchMap);
}

// A target that leads to a file written earlier in the batch under another
// name is refused as a target of the same name is; the first map is kept.
TEST_F(PatchconvTest, RefusesATargetThatIsAFileWrittenBefore) {
  WriteBytes(folder_ / "other.ins",
             ".Instrument Definitions\n[A]\nPatch[0]=1..128\n[B]\nPatch[0]=L\n");
  struct Case {
    std::vector<std::filesystem::path> arguments;
    const char* first;   // the map written first
    const char* second;  // the later name, made to lead to the first
    const char* device;  // of the first map
    std::string message;
  };
  const auto out = folder_ / "out";
  for (const bool hardLink : {true, false}) {
    for (const Case& c : {
             Case{{"-d", out, folder_ / "synth.ins", folder_ / "other.ins"},
                  "synth.vpm",
                  "other.vpm",
                  "L",
                  (folder_ / "other.ins").string() + ": has the same name as an earlier source; " +
                      (out / "other.vpm").string() + " is kept as converted"},
             Case{{"--each-instrument", "-d", out, folder_ / "other.ins"},
                  "A.vpm",
                  "B.vpm",
                  "A",
                  (folder_ / "other.ins").string() + ": instrument \"B\" would be written to " +
                      (out / "B.vpm").string() + " as an earlier one was; that one is kept"},
         }) {
      std::filesystem::remove_all(out);
      std::filesystem::create_directory(out);
      WriteBytes(out / c.first, "old");
      if (hardLink) {
        std::filesystem::create_hard_link(out / c.first, out / c.second);
      } else {
        std::filesystem::create_symlink(c.first, out / c.second);
      }
      PatchconvRun run = Patchconv(c.arguments);
      EXPECT_EQ(run.status, kExitSomeFailed);
      EXPECT_EQ(run.err, "patchconv: " + c.message + "\n");
      EXPECT_EQ(
          ReadBytes(out / c.first)
              .rfind("<patchmap version=\"1.0\" device=\"" + std::string(c.device) + "\">", 0),
          0u);
      EXPECT_EQ(ReadBytes(out / c.second), ReadBytes(out / c.first));
    }
  }
}

TEST_F(PatchconvTest, SameFileAsSourceAndTarget) {
  EXPECT_EQ(Patchconv({folder_ / "synth.ins", folder_ / "synth.ins"}).status, kExitConverted);
  EXPECT_EQ(ReadBytes(folder_ / "synth.ins"), kPatchMap);
}

// A file with another name is written in place: emptied before its patches
// could be read again, so they must have been read first.
TEST_F(PatchconvTest, SameFileWithAnotherLinkAsSourceAndTarget) {
  std::string source = "[Synth]\r\nPatch[0]=L\r\n[L]\r\n";
  std::string map = "<patchmap version=\"1.0\" device=\"L\">\r\n";
  for (int program = 0; program < 128; ++program) {
    const std::string name = "Patch " + std::to_string(program) + std::string(40, 'x');
    source += std::to_string(program) + "=" + name + "\r\n";
    map += "<patch family=\"" + std::to_string(program / 8) + "\" bank=\"0.0\" preset=\"" +
           std::to_string(program) + "\" name=\"" + name + "\" />\r\n";
  }
  map += "</patchmap>\r\n";
  WriteBytes(folder_ / "linked.ins", source);
  std::filesystem::create_hard_link(folder_ / "linked.ins", folder_ / "other-name.ins");
  EXPECT_EQ(Patchconv({folder_ / "linked.ins", folder_ / "linked.ins"}).status, kExitConverted);
  EXPECT_EQ(ReadBytes(folder_ / "other-name.ins"), map);
}

TEST(PatchconvUsage, WrongUsageHelpAndVersion) {
  struct Case {
    std::vector<std::filesystem::path> arguments;
    int status;
    const char* outStart;
    const char* errStart;
  };
  for (const Case& c :
       {Case{{}, kExitUsage, "", "patchconv: expected a source and a target\nusage:"},
        Case{{"a.ins"}, kExitUsage, "", "patchconv: expected"},
        Case{{"a", "b", "c"}, kExitUsage, "", "patchconv: expected"},
        Case{{"-d", "out"}, kExitUsage, "", "patchconv: -d needs"},
        Case{{"-d", "", "a.ins"}, kExitUsage, "", "patchconv: -d needs a folder, not"},
        Case{{"", "b.vpm"}, kExitUsage, "", "patchconv: an empty SOURCE or TARGET"},
        Case{{"a.ins", ""}, kExitUsage, "", "patchconv: an empty SOURCE or TARGET"},
        Case{{"--list", "a.ins", ""}, kExitUsage, "", "patchconv: an empty SOURCE"},
        Case{{"-d", "x", "-d", "y", "a.ins"}, kExitUsage, "", "patchconv: -d is given twice"},
        Case{{"--instrument", "A", "--instrument", "B", "a.ins", "b.vpm"},
             kExitUsage,
             "",
             "patchconv: --instrument is given twice"},
        Case{{"--help"}, kExitConverted, "usage: patchconv", ""},
        Case{{"-h"}, kExitConverted, "usage: patchconv", ""},
        Case{{"--version"}, kExitConverted, "patchconv 1.0.0.1\n", ""}}) {
    PatchconvRun run = Patchconv(c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out.rfind(c.outStart, 0), 0u) << run.out;
    EXPECT_EQ(run.err.rfind(c.errStart, 0), 0u) << run.err;
  }
}

}  // namespace

namespace {

// Two instruments on lists built one on another, and names that files cannot
// have as they are.
const char* const kInstruments =
    ".Patch Names\r\n[Base]\r\n0=Piano\r\n[Var]\r\nBasedOn=Base\r\n1=Organ\r\n"
    ".Instrument Definitions\r\n[Synth A]\r\nPatch[0]=Var\r\n[COM1]\r\nBankSelMethod=1\r\n"
    "Patch[3]=Base\r\n[Bare]\r\n[a/"
    "b]\r\nPatch[1]=Gone\r\nPatch[*]=Base\r\n[a:b]\r\nPatch[2]=Base\r\n"
    "[Synth A]\r\nPatch[*]=Base\r\n";

class InstrumentOptions : public testing::Test {
 protected:
  void SetUp() override { WriteBytes(folder_ / "s.ins", kInstruments); }
  std::string Source() const { return (folder_ / "s.ins").string(); }
  TemporaryFolder folder_;
};

TEST_F(InstrumentOptions, ConvertsOneInstrumentWithItsInheritedPatches) {
  PatchconvRun run = Patchconv({"--instrument", " synth A\t", folder_ / "s.ins", "-"});
  EXPECT_EQ(run.status, kExitConverted) << run.err;
  EXPECT_EQ(run.out,
            "<patchmap version=\"1.0\" device=\"Synth A\">\r\n"
            "<patch family=\"0\" bank=\"0.0\" preset=\"0\" name=\"Piano\" />\r\n"
            "<patch family=\"0\" bank=\"0.0\" preset=\"1\" name=\"Organ\" />\r\n"
            "</patchmap>\r\n");
}

TEST_F(InstrumentOptions, ExplainsAMissingOrEmptyInstrumentAndWritesNothing) {
  for (auto [name, reason] :
       {std::pair{"Nope", "no instrument \"Nope\"; it defines: Synth A, COM1, Bare, a/b, a:b"},
        std::pair{"bare", "instrument \"Bare\" declares no bank"}}) {
    PatchconvRun run = Patchconv({"--instrument", name, folder_ / "s.ins", folder_ / "out.vpm"});
    EXPECT_EQ(run.status, kExitSomeFailed);
    EXPECT_EQ(run.err, "patchconv: " + Source() + ": " + reason + "\n");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "out.vpm"));
  }
}

TEST_F(InstrumentOptions, EachInstrumentGetsAFileOfASafeName) {
  PatchconvRun run = Patchconv({"--each-instrument", "-d", folder_.path(), folder_ / "s.ins"});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_EQ(run.err, "patchconv: " + Source() + ": instrument \"a:b\" would be written to " +
                         (folder_ / "a_b.vpm").string() +
                         " as an earlier one was; that one is kept\n");
  EXPECT_EQ(FolderEntries(folder_.path()),
            (std::vector<std::string>{"COM1_.vpm", "Synth A.vpm", "a_b.vpm", "s.ins"}));
  EXPECT_EQ(ReadBytes(folder_ / "COM1_.vpm"),
            "<patchmap version=\"1.0\" device=\"COM1\">\r\n"
            "<patch family=\"0\" bank=\"3.0\" preset=\"0\" name=\"Piano\" />\r\n</patchmap>\r\n");
}

TEST_F(InstrumentOptions, ListsInstrumentsMethodsAndBanks) {
  PatchconvRun run = Patchconv({"--list", folder_ / "s.ins"});
  EXPECT_EQ(run.status, kExitConverted);
  EXPECT_EQ(
      run.out,
      Source() +
          ": an instrument definition\n"
          "[Synth A] BankSelMethod=0\n  Patch[0]=Var: 2 patches, built on Base\n"
          "  Patch[*]=Base: 1 patch, the list for other banks (not in the map: another key is bank "
          "0)\n"
          "[COM1] BankSelMethod=1\n  Patch[3]=Base: 1 patch\n[Bare] BankSelMethod=0, no bank\n"
          "[a/b] BankSelMethod=0\n  Patch[1]=Gone: no such list\n"
          "  Patch[*]=Base: 1 patch, the list for other banks (bank 0 in the map)\n"
          "[a:b] BankSelMethod=0\n  Patch[2]=Base: 1 patch\n");
}

// --list of a file without instruments says so rather than print nothing.
TEST_F(PatchconvTest, ListingAFileWithoutInstrumentsSaysSo) {
  PatchconvRun run = Patchconv({"--list", folder_ / "synth.ins"});
  EXPECT_EQ(run.status, kExitSomeFailed);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "patchconv: " + (folder_ / "synth.ins").string() +
                ": defines no instrument: it has no header under .Instrument Definitions\n");
}

// Control bytes of names and paths reach the terminal escaped; the map keeps them.
TEST(TerminalText, ShowsControlBytesOfNamesAndPathsEscaped) {
  TemporaryFolder folder;
  // C0 and C1 controls, raw, in UTF-8 and in an overlong form; the UTF-8 of
  // "€" and "ś" holds bytes 0x80-0x9F too, and stays.
  const std::string name =
      "E\x1b[2J\x1b]0;owned\x07\x9b"
      "1m\xc2\x9b"
      "2m\xe0\x82\x9b \xe2\x82\xac\xc5\x9b";
  const std::string shown =
      "E\\x1b[2J\\x1b]0;owned\\x07\\x9b1m\\xc2\\x9b2m\xe0\\x82\\x9b \xe2\x82\xac\xc5\x9b";
  WriteBytes(folder / "t.ins", ".Patch Names\n[L\x7f]\n0=P\n.Instrument Definitions\n[" + name +
                                   "]\nPatch[0]=L\x7f\nPatch[1]=Gone\x01!\n");
  const std::string source = (folder / "t.ins").string();
  struct Case {
    std::vector<std::filesystem::path> arguments;
    std::string out, err;
  };
  for (const Case& c : {
           Case{{"--list", folder / "t.ins"},
                source + ": an instrument definition\n[" + shown +
                    "] BankSelMethod=0\n  Patch[0]=L\\x7f: 1 patch\n"
                    "  Patch[1]=Gone\\x01!: no such list\n",
                ""},
           Case{{"--instrument", "nope", folder / "t.ins", "-"},
                "",
                "patchconv: " + source + ": no instrument \"nope\"; it defines: " + shown + "\n"},
           Case{{"--check", folder / "t.ins"},
                source +
                    ":5: the device name holds the control byte 0x1B, which makes the map "
                    "not well-formed XML\n" +
                    source +
                    ":7: bank 1 names the list \"Gone\\x01!\", which never appears: it stays "
                    "empty\n",
                ""},
           Case{{folder / "gone\x1b[2J.ins", folder / "x.vpm"},
                "",
                "patchconv: " + source.substr(0, source.size() - 5) +
                    "gone\\x1b[2J.ins: cannot be opened: No such file or directory\n"},
           Case{
               {"--instrument", name, folder / "t.ins", "-"},
               "<patchmap version=\"1.0\" device=\"" + name +
                   "\">\r\n"
                   "<patch family=\"0\" bank=\"0.0\" preset=\"0\" name=\"P\" />\r\n</patchmap>\r\n",
               ""},
       }) {
    PatchconvRun run = Patchconv(c.arguments);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
  }
}

// A file of many instruments gives messages of one short line: ten names and a count.
TEST(TerminalText, NamesTheFirstTenInstrumentsAndCountsTheRest) {
  TemporaryFolder folder;
  std::string text = ".Instrument Definitions\n";
  for (int i = 0; i < 12; ++i) text += "[I" + std::to_string(i) + "]\nPatch[0]=L\n";
  WriteBytes(folder / "many.ins", text);
  const std::string source = (folder / "many.ins").string();
  PatchconvRun check = Patchconv({"--check", folder / "many.ins"});
  EXPECT_EQ(check.out.substr(0, check.out.find('\n') + 1),
            source +
                ": 12 instruments are merged into one map: \"I0\", \"I1\", \"I2\", \"I3\", "
                "\"I4\", \"I5\", \"I6\", \"I7\", \"I8\", \"I9\" and 2 more; convert one of them "
                "with --instrument NAME\n");
  EXPECT_EQ(Patchconv({"--instrument", "nope", folder / "many.ins", "-"}).err,
            "patchconv: " + source +
                ": no instrument \"nope\"; it defines: I0, I1, I2, I3, I4, I5, "
                "I6, I7, I8, I9 and 2 more\n");
}

// Output that does not reach standard output (a full disk, a stream closed or
// not open for writing) is a failure with a message.
TEST(StandardOutput, AFailedWriteIsAFailure) {
  TemporaryFolder folder;
  WriteBytes(folder / "s.ins", kInstruments);
  const std::string source = (folder / "s.ins").string();
  struct Case {
    const char* path;
    const char* reason;
  };
  for (const Case& c : {Case{"/dev/full", "No space left on device"},
                        Case{source.c_str(), "Bad file descriptor"}}) {
    struct Run {
      std::vector<std::filesystem::path> arguments;
      std::string err;
    };
    for (const Run& r : {
             Run{{"--list", source},
                 "patchconv: " + source +
                     ": its list could not be written to "
                     "standard output: " +
                     c.reason + "\n"},
             Run{{"--check", source},
                 "patchconv: " + source +
                     ": its findings could not be "
                     "written to standard output: " +
                     c.reason + "\n"},
             Run{{"--version"}, "patchconv: standard output cannot be written\n"},
         }) {
      std::FILE* out = std::fopen(c.path, c.path == source ? "r" : "w");
      ASSERT_NE(out, nullptr);
      const PatchconvRun run = Patchconv(r.arguments, out);
      std::fclose(out);
      EXPECT_EQ(run.status, kExitSomeFailed);
      EXPECT_EQ(run.err, r.err);
    }
  }
}

TEST(StandardInput, IsASourceLikeAnyOther) {
  TemporaryFolder folder;
  WriteBytes(folder / "in.ins", kInstruments);
  const int saved = ::dup(STDIN_FILENO);
  for (const bool pipe : {false, true}) {
    int fds[2] = {-1, -1};
    if (pipe) {
      ASSERT_EQ(::pipe(fds), 0);
      const std::string text = kInstruments;
      ASSERT_EQ(::write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
      ::close(fds[1]);
    } else {
      fds[0] = ::open((folder / "in.ins").c_str(), O_RDONLY);
    }
    ::dup2(fds[0], STDIN_FILENO);
    ::close(fds[0]);
    PatchconvRun run = Patchconv({"--instrument", "COM1", "-", "-"});
    EXPECT_EQ(run.status, kExitConverted) << run.err;
    EXPECT_EQ(run.out.rfind("<patchmap version=\"1.0\" device=\"COM1\">\r\n", 0), 0u) << pipe;
  }
  ::dup2(saved, STDIN_FILENO);
  ::close(saved);
  PatchconvRun run = Patchconv({"-d", folder.path(), "-"});
  EXPECT_EQ(run.err,
            "patchconv: standard input: has no name to give its patch map; convert it to "
            "a TARGET instead\n");
}

// A caller that has read part of a file hands over the rest: every pass
// starts where standard input stood, not at the start of the file.
TEST(StandardInput, IsReadFromWhereItStands) {
  TemporaryFolder folder;
  const std::string skipped = "[Skipped]\r\nPatch[0]=Other\r\n[Other]\r\n5=Skipped\r\n";
  WriteBytes(folder / "in.ins", skipped + kSource);
  const int saved = ::dup(STDIN_FILENO);
  const int file = ::open((folder / "in.ins").c_str(), O_RDONLY);
  ASSERT_EQ(::lseek(file, static_cast<off_t>(skipped.size()), SEEK_SET),
            static_cast<off_t>(skipped.size()));
  ::dup2(file, STDIN_FILENO);
  ::close(file);
  PatchconvRun run = Patchconv({"-", "-"});
  ::dup2(saved, STDIN_FILENO);
  ::close(saved);
  EXPECT_EQ(run.status, kExitConverted) << run.err;
  EXPECT_EQ(run.out, kPatchMap);
}

}  // namespace

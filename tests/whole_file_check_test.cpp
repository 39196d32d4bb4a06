// What the check says of a file: each kind of finding from a file that has
// it, as --check prints it.
#include "whole_file_check.h"

#include <gtest/gtest.h>

#include <string>

#include "test_files.h"

namespace {

// Each finding of --check, from a file that has it; a clean file has none.
TEST(Check, TellsWhatTheWholeFileConversionMakesOfAFile) {
  const std::string clean =
      ".Patch Names\n[L]\n0=Piano\n.Instrument Definitions\n[S]\nPatch[0]=L\n";
  struct Case {
    std::string file;
    std::string finding;  // after "FILE"; none for the clean file
  };
  for (const Case& c : {
           Case{clean, ""},
           Case{".Instrument Definitions\n[A]\nPatch[0]=L\n[B]\nPatch[1]=L\n",
                ": 2 instruments are merged into one map: \"A\", \"B\"; convert one of them with "
                "--instrument NAME"},
           Case{".Instrument Definitions\n[S]\nPatch[0]=L\n.Patch Names\n[L]\n0=x\n",
                ":5: the map's device name \"L\" comes from this header, the last of the file, "
                "which names no instrument"},
           Case{clean + "Patch[1]=Gone\n",
                ":7: bank 1 names the list \"Gone\", which never appears: it stays empty"},
           Case{clean + "Patch[1]=L\n",
                ":7: bank 1 names the list \"L\", as an earlier bank does: only that one gets its "
                "patches"},
           Case{clean + "Patch[1]=1..128\n",
                ":7: bank 1 names the list \"1..128\", which is built in: "
                "it stays empty here; --instrument numbers its 128 programs"},
           Case{clean + ".Patch Names\n[B]\n0=x\n1=y\n[K]\nBasedOn=B\n1=z\n"
                        ".Instrument Definitions\n[S]\nPatch[1]=K\n",
                ":16: bank 1 names the list \"K\", which is built on \"B\": here it holds only its "
                "own lines, 1 of the 2 programs it has with what it inherits (see --instrument)"},
           Case{clean + "[L]\nControl=Std\n",
                ":8: \"Control=Std\" under [L] becomes a patch at program 0 named \"Std\""},
           Case{clean + "[L]\n1=" + std::string(140, 'n') + "\n",
                ":8: the patch name is cut to its first 131 bytes: \"" + std::string(131, 'n') +
                    "\""},
           Case{clean + ";" + std::string(400, 'c') + "\n",
                ":7: this line is longer than one read of 299 bytes: the rest is read as a line of "
                "its own"},
           Case{clean + "[L]\n128=x\n", ":8: program 128 is outside 0-127, which MIDI can select"},
           Case{clean + "BankSelMethod=1\nPatch[128]=S\n",
                ":8: bank 128 with BankSelMethod 1 gives the bank value 16384, outside 0-16383, "
                "which "
                "two 7-bit parts cannot hold"},
           Case{clean + "[L]\n1=a\x01z\n",
                ":8: the patch name holds the control byte 0x01, which makes the map "
                "not well-formed XML"},
           Case{"[S]\n0=x\n",
                ": there is no bank key (Patch[n]=LIST) at all: the file is not converted"},
       }) {
    TemporaryFolder folder;
    WriteBytes(folder / "c.ins", c.file);
    PatchconvRun run = Patchconv({"--check", folder / "c.ins"});
    const bool noFinding = c.finding.empty();
    EXPECT_EQ(run.status, noFinding ? kExitConverted : kExitSomeFailed) << c.finding;
    if (noFinding) {
      EXPECT_EQ(run.out, "");
    } else {
      EXPECT_NE(run.out.find((folder / "c.ins").string() + c.finding + "\n"), std::string::npos)
          << run.out;
    }
  }
}

}  // namespace

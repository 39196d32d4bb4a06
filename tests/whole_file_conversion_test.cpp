// What the reader takes from an instrument definition: device name, method,
// banks and their patches. Each case gives a file and the instrument it must
// give, written out one bank and one patch a line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>

#include "instrument_definition.h"
#include "instrument_source.h"
#include "scripted_file_system.h"
#include "test_files.h"

namespace {

// A literal with zero bytes inside, all of it.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

struct ReadCase {
  const char* name;
  std::string file;
  std::string instrument;
  friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
};

class Reading : public testing::TestWithParam<ReadCase> {};

TEST_P(Reading, GivesTheExpectedInstrument) {
  InstrumentDefinition instrument;
  ASSERT_EQ(LoadInstrumentText(instrument, GetParam().file), 0);
  EXPECT_EQ(Describe(instrument), GetParam().instrument);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Reading,
    testing::Values(
        ReadCase{"WorkedExample",
                 ".Instrument Definitions\n[My Synth]\nPatch[*]=General\n.Patch Names\n"
                 "[General]\n0=Piano\n1=Bright Piano\n",
                 "device=General method=0\nbank 0 General\n  0 0 Piano\n  1 0 Bright Piano\n"},
        ReadCase{"DeviceIsTheLastHeaderOfTheFile",
                 ".Patch Names\n[General]\n0=Piano\n.Instrument Definitions\n[My Synth]\n"
                 "Patch[*]=General\n",
                 "device=My Synth method=0\nbank 0 General\n  0 0 Piano\n"},
        ReadCase{"NoHeaderGivesAnEmptyDevice", "Patch[1]=X\n", "device= method=0\nbank 1 X\n"},
        ReadCase{"HeaderBracketsAndBlanks", "[  Odd ] ]\nPatch[1]=X\n",
                 "device=Odd ] method=0\nbank 1 X\n"},
        ReadCase{"HeaderWithoutClosingBracket", "[ Open\nPatch[1]=X\n",
                 "device=Open method=0\nbank 1 X\n"},
        ReadCase{"LastBankSelMethodWins",
                 "BankSelMethod=1\nbanksELmethod = 3 ; remark\nPatch[1]=X\n",
                 "device= method=3\nbank 1 X\n"},
        ReadCase{"BankKeyShapes",
                 "patch [3]=A\nPatch[]=B\nPatch[ ]=C\nPatch[*]=D\nPatch[-1]=E\nPATCH[ 7 ]=F\n"
                 "PatchX[3]=no\nPatch[3=no\nPatch[=no\nPatch=no\nPatch]=no\nPatch[4]\n"
                 "Patch[4294967301]=G\nPatch[5]=\n",
                 "device= method=0\nbank 3 A\nbank 0 B\nbank 0 C\nbank 0 D\nbank -1 E\n"
                 "bank 7 F\nbank 5 G\nbank 5 \n"},
        ReadCase{"FirstBankOfAListNameGetsThePatches",
                 "Patch[1]=Shared\nPatch[2]=shared\n[SHARED]\n0=P\n",
                 "device=SHARED method=0\nbank 1 Shared\n  0 0 P\nbank 2 shared\n"},
        ReadCase{"RepeatedHeaderAppendsToTheSameBank",
                 "[Synth]\nPatch[0]=Synth\n[Synth]\n5=A\n[Other]\n1=ignored\n[Synth]\n6=B\n",
                 "device=Synth method=0\nbank 0 Synth\n  0 0 Synth\n  5 0 A\n  6 0 B\n"},
        ReadCase{"SectionMarkerDoesNotEndAPatchList",
                 "Patch[0]=L\n[L]\n1=A\n.Note Names\n2=B\n.Controller Names\n[None]\n3=C\n",
                 "device=None method=0\nbank 0 L\n  1 0 A\n  2 0 B\n"},
        ReadCase{"PatchLines",
                 "Patch[0]=L\n[L]\n130=Big\n-9=Negative\n  7 = Padded  \n;0=Comment\n"
                 "  ; indented comment\nno equals sign\n8=Piano ; remark\n=Empty key\n"
                 "9=a=b\n10=\n",
                 "device=L method=0\nbank 0 L\n  130 16 Big\n  -9 -1 Negative\n  7 0 Padded\n"
                 "  8 1 Piano ; remark\n  0 0 Empty key\n  9 1 a=b\n  10 1 \n"},
        ReadCase{"ProgramsWrapAround", "Patch[0]=L\n[L]\n4294967297=One\n-2147483648=Min\n",
                 "device=L method=0\nbank 0 L\n  1 0 One\n  -2147483648 -268435456 Min\n"},
        ReadCase{"EmptyHeaderMatchesAnEmptyListName", "Patch[2]=\n[ ]\n1=A\n[]\n2=B\n[\n3=C\n",
                 "device= method=0\nbank 2 \n  1 0 A\n  2 0 B\n  3 0 C\n"},
        ReadCase{"ListNamesCompareWithoutCase", "Patch[0]=General\n[gEnErAl]\n1=A\n",
                 "device=gEnErAl method=0\nbank 0 General\n  1 0 A\n"},
        ReadCase{"BankWithoutItsListKeepsNoPatches", "Patch[0]=Missing\n[Other]\n1=A\n",
                 "device=Other method=0\nbank 0 Missing\n"},
        ReadCase{"SeveralInstrumentsMakeOne",
                 "[One]\nPatch[1]=A\nBankSelMethod=2\n[Two]\nPatch[2]=B\nBankSelMethod=1\n"
                 "[A]\n1=a\n[B]\n2=b\n",
                 "device=B method=1\nbank 1 A\n  1 0 a\nbank 2 B\n  2 0 b\n"},
        ReadCase{"EndOfFileMarkStopsBothPasses",
                 "Patch[0]=L\n[L]\n1=A\n\x1a\nPatch[1]=M\n[M]\n2=B\n[L]\n3=C\n",
                 "device=L method=0\nbank 0 L\n  1 0 A\n"},
        ReadCase{"CrLfAndBytesAbove127PassThrough",
                 "[Synth]\r\nPatch[0]=Caf\xe9\r\n[CAF\xc9]\r\n0=not ASCII\r\n[cAF\xe9]\r\n"
                 "1=\x83s\x83"
                 "A\x83m\r\n",
                 "device=cAF\xe9 method=0\nbank 0 Caf\xe9\n  1 0 \x83s\x83"
                 "A\x83m\n"},
        ReadCase{"ZeroByteEndsTheLine", Bytes("Patch[0]=L\n[L]\n1=Pi\0ano\n"),
                 "device=L method=0\nbank 0 L\n  1 0 Pi\n"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Reading, FailsWithoutABankKeyAndKeepsWhatPassOneSaw) {
  InstrumentDefinition instrument;
  EXPECT_EQ(LoadInstrumentText(instrument, "[Synth]\nBankSelMethod=2\n0=Piano\nPatchX[1]=A\n"), -1);
  EXPECT_EQ(instrument.banks, nullptr);
  EXPECT_STREQ(instrument.deviceName, "Synth");
  EXPECT_EQ(instrument.bankSelMethod, 2);
}

TEST(Reading, BankKeyAfterTheEndOfFileMarkDoesNotCount) {
  InstrumentDefinition instrument;
  EXPECT_EQ(LoadInstrumentText(instrument, "[Synth]\n\x1aPatch[0]=L\n"), -1);
}

TEST(Reading, LongNamesAreCutToTheirFirst131Bytes) {
  std::string name(200, 'n');
  name[130] = 'x';
  InstrumentDefinition instrument;
  ASSERT_EQ(LoadInstrumentText(instrument, "Patch[0]=" + std::string(290, 'L') + "\n[" +
                                               std::string(290, 'L') + "]\n1=" + name + "\n"),
            0);
  ASSERT_NE(instrument.banks->patches, nullptr);
  EXPECT_EQ(std::string(instrument.banks->patches->name), name.substr(0, 131));
  EXPECT_EQ(std::string(instrument.banks->patchListName), std::string(290, 'L'));
}

TEST(Reading, LongLineIsReadAsTwoLines) {
  // 299 bytes of the first read end inside the name; the rest is a line of
  // its own, here another patch line.
  std::string first = "1=" + std::string(297, 'a');
  InstrumentDefinition instrument;
  ASSERT_EQ(LoadInstrumentText(instrument, "Patch[0]=L\n[L]\n" + first + "2=rest\n"), 0);
  EXPECT_EQ(Describe(instrument),
            "device=L method=0\nbank 0 L\n  1 0 " + std::string(131, 'a') + "\n  2 0 rest\n");
}

TEST(Reading, ManyBanksAndHeadersStayInFileOrder) {
  std::string file;
  for (int i = 0; i < 2000; ++i)
    file += "Patch[" + std::to_string(i) + "]=List" + std::to_string(i) + "\n";
  for (int i = 1999; i >= 0; --i)
    file += "[list" + std::to_string(i) + "]\n" + std::to_string(i) + "=P\n";
  InstrumentDefinition instrument;
  ASSERT_EQ(LoadInstrumentText(instrument, file), 0);
  int expected = 0;
  for (const PatchBank* bank = instrument.banks; bank != nullptr; bank = bank->next, ++expected) {
    ASSERT_EQ(bank->bankNumber, expected);
    ASSERT_NE(bank->patches, nullptr);
    EXPECT_EQ(bank->patches->program, expected);
    EXPECT_EQ(bank->next == nullptr || bank->next->prev == bank, true);
  }
  EXPECT_EQ(expected, 2000);
}

TEST(Clear, FreesBanksAndKeepsNameAndMethod) {
  InstrumentDefinition instrument;
  ASSERT_EQ(LoadInstrumentText(instrument, "BankSelMethod=1\nPatch[0]=L\n[L]\n1=A\n2=B\n"), 0);
  instrument.Clear();
  EXPECT_EQ(instrument.banks, nullptr);
  EXPECT_STREQ(instrument.deviceName, "L");
  EXPECT_EQ(instrument.bankSelMethod, 1);
  instrument.Clear();  // a second Clear, as the destructor runs, is harmless
}

TEST(LoadInstrumentFile, FailsForMissingFilesAndFolders) {
  InstrumentDefinition instrument;
  EXPECT_EQ(instrument.LoadInstrumentFile("/nonexistent/file.ins"), -1);
  EXPECT_EQ(instrument.LoadInstrumentFile(std::filesystem::temp_directory_path()), -1);
  EXPECT_EQ(instrument.LoadInstrumentFile(""), -1);
  EXPECT_EQ(instrument.banks, nullptr);
}

// The caller learns why a file did not load, from the one reading.
TEST(ReadInstrumentFile, SaysWhyItFailed) {
  TemporaryFolder folder;
  WriteBytes(folder / "nobank.ins", "[Synth]\n0=Piano\n");
  WriteBytes(folder / "good.ins", "Patch[0]=L\n[L]\n0=Piano\n");
  struct Case {
    std::filesystem::path path;
    const char* failingStep;
    LoadFailure failure;
    int error;
  };
  for (const Case& c : {Case{folder / "missing.ins", "", LoadFailure::kCannotOpen, ENOENT},
                        Case{folder.path(), "", LoadFailure::kCannotOpen, EISDIR},
                        Case{folder / "good.ins", "read", LoadFailure::kCannotRead, ENOSPC},
                        Case{folder / "nobank.ins", "", LoadFailure::kNoBank, 0},
                        Case{folder / "good.ins", "", LoadFailure::kNone, 0}}) {
    ScriptedFileSystem fileSystem{std::string(c.failingStep)};
    InstrumentDefinition instrument;
    const LoadResult result = ReadInstrumentFile(instrument, c.path.native(), fileSystem);
    EXPECT_EQ(result.failure, c.failure) << c.path;
    EXPECT_EQ(result.error.Code(), static_cast<std::uint32_t>(c.error)) << c.path;
  }
}

// A file longer than the reading buffer, read pass by pass, and a pipe, which
// can be read only once, give what the same bytes give in memory.
TEST(ReadInstrumentFile, ReadsFilesInPiecesAndPipesWhole) {
  std::string text = "[Synth]\r\nBankSelMethod=1\r\nPatch[3]=L\r\n[L]\r\n";
  for (int i = 0; text.size() < 3 * InstrumentSource::kBufferBytes; ++i) {
    text += std::to_string(i % 128) + "=" + std::string(static_cast<std::size_t>(i % 290), 'n') +
            (i % 3 == 0 ? "\n" : "\r\n");
  }
  InstrumentDefinition inMemory;
  ASSERT_EQ(LoadInstrumentText(inMemory, text), 0);
  TemporaryFolder folder;
  WriteBytes(folder / "big.ins", text);
  InstrumentDefinition fromFile;
  ASSERT_EQ(fromFile.LoadInstrumentFile(folder / "big.ins"), 0);
  EXPECT_EQ(Describe(fromFile), Describe(inMemory));

  ASSERT_EQ(::mkfifo((folder / "pipe.ins").c_str(), 0600), 0);
  std::thread writer([&] { WriteBytes(folder / "pipe.ins", text); });
  InstrumentDefinition fromPipe;
  EXPECT_EQ(fromPipe.LoadInstrumentFile(folder / "pipe.ins"), 0);
  writer.join();
  EXPECT_EQ(Describe(fromPipe), Describe(inMemory));
}

}  // namespace

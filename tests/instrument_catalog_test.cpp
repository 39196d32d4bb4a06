// The instrument reading: the map of one instrument, with the patches that
// its lists inherit, the built-in lists, and only the sections that count.
#include "instrument_catalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "instrument_map_oracle.h"
#include "test_files.h"
#include "text_lines.h"

namespace {

struct CatalogCase {
  const char* name;
  std::string file;
  const char* instrument;
  std::string map;  // as Describe gives it
  friend void PrintTo(const CatalogCase& c, std::ostream* os) { *os << c.name; }
};

class OneInstrument : public testing::TestWithParam<CatalogCase> {};

TEST_P(OneInstrument, HoldsItsBanksWithTheirInheritedPatches) {
  InstrumentCatalog catalog;
  LineReader lines(GetParam().file);
  catalog.Read(lines);
  const auto* instrument = catalog.FindInstrument(GetParam().instrument);
  ASSERT_NE(instrument, nullptr);
  InstrumentDefinition map;
  BuildInstrumentMap(catalog, *instrument, map);
  EXPECT_EQ(Describe(map), GetParam().map);
}

const std::string kChain =
    ".Patch Names\n[Base]\n0=B0\n1=B1\n2=B2\n[Mid]\nBasedOn=Base\n1=M1\n[Top]\nbasedon=mid\n"
    "2=T2\n3=T3\n2=T2 again\n[A]\nBasedOn=B\n0=A0\n1=A1\n[B]\nBasedOn=A\n1=B1\n2=B2\n"
    "[Orphan]\nBasedOn=Nowhere\n5=O5\n-1=no patch\n4294967295=wrapped\n";

INSTANTIATE_TEST_SUITE_P(
    Files, OneInstrument,
    testing::Values(
        CatalogCase{
            "ChainOverridesFromTheFarEnd", kChain + ".Instrument Definitions\n[S]\nPatch[1]=Top\n",
            "S", "device=S method=0\nbank 1 Top\n  0 0 B0\n  1 0 M1\n  2 0 T2 again\n  3 0 T3\n"},
        CatalogCase{"CycleFromEitherEnd",
                    kChain + ".Instrument Definitions\n[S]\nPatch[0]=A\nPatch[1]=b\n", "s",
                    "device=S method=0\nbank 0 A\n  0 0 A0\n  1 0 A1\n  2 0 B2\n"
                    "bank 1 b\n  0 0 A0\n  1 0 B1\n  2 0 B2\n"},
        CatalogCase{
            "RingWithListsBuiltOnItsMembers",
            ".Patch Names\n[A]\nBasedOn=B\n0=A0\n[B]\nBasedOn=C\n0=B0\n1=B1\n[C]\n"
            "BasedOn=A\n1=C1\n2=C2\n[X]\nBasedOn=B\n3=X3\n[Y]\nBasedOn=X\n2=Y2\n"
            ".Instrument Definitions\n[S]\nPatch[0]=A\nPatch[1]=B\nPatch[2]=C\nPatch[3]=Y\n",
            "S",
            "device=S method=0\nbank 0 A\n  0 0 A0\n  1 0 B1\n  2 0 C2\n"
            "bank 1 B\n  0 0 B0\n  1 0 B1\n  2 0 C2\nbank 2 C\n  0 0 A0\n  1 0 C1\n  2 0 C2\n"
            "bank 3 Y\n  0 0 B0\n  1 0 B1\n  2 0 Y2\n  3 0 X3\n"},
        CatalogCase{"MissingBaseAndSignedOrder",
                    kChain + ".Instrument Definitions\n[S]\nPatch[0]=Orphan\n", "S",
                    "device=S method=0\nbank 0 Orphan\n  -1 0 wrapped\n  5 0 O5\n"},
        CatalogCase{"RepeatedHeadersContinueFirstSpellingKept",
                    ".Instrument Definitions\n[Synth]\nPatch[0]=L\n.Patch Names\n[L]\n0=a\n"
                    ".Instrument Definitions\n[SYNTH]\nBankSelMethod=1\nPatch[*]=l\n"
                    ".Patch Names\n[l]\n1=b\n",
                    "synth", "device=Synth method=1\nbank 0 L\n  0 0 a\n  1 0 b\n"},
        CatalogCase{"LastListForOtherBanksIsBankZeroInItsPlace",
                    kChain + ".Instrument Definitions\n[S]\nPatch[*]=Base\nPatch[1]=Orphan\n"
                             "patch [ * ]=Mid\nPatch[2]=Missing\n",
                    "S",
                    "device=S method=0\nbank 1 Orphan\n  -1 0 wrapped\n  5 0 O5\n"
                    "bank 0 Mid\n  0 0 B0\n  1 0 M1\n  2 0 B2\nbank 2 Missing\n"},
        CatalogCase{"ListForOtherBanksLeftOutBesideAnyKeyOfBankZero",
                    kChain + ".Instrument Definitions\n[S]\nPatch[*]=Base\nPatch[1]=Orphan\n"
                             "[T]\nPatch[abc]=Missing\n[S]\nPatch[4294967296]=Missing\n",
                    "S",
                    "device=S method=0\nbank 1 Orphan\n  -1 0 wrapped\n  5 0 O5\nbank 0 Missing\n"},
        CatalogCase{
            "NamelessPatchLinesNeitherAddNorReplace",
            kChain + "[Blanks]\nBasedOn=Top\n0=\n2=\t \n7=\n.Instrument Definitions\n"
                     "[S]\nPatch[0]=Blanks\n",
            "S",
            "device=S method=0\nbank 0 Blanks\n  0 0 B0\n  1 0 M1\n  2 0 T2 again\n  3 0 T3\n"},
        CatalogCase{"OnlyItsSectionsCountAndMarkersEndAHeader",
                    "[Early]\nPatch[9]=L\n.Patch Names\n[L]\n0=kept\n.Note Names\n[L]\n1=note\n"
                    ".Patch Names\n2=after marker\n[L]\nControl=x\n3=kept too\n"
                    ".Instrument Definitions\n[S]\n4=not a patch\nPatch[3]=L\n.Controller Names\n"
                    "Patch[4]=L\n",
                    "S", "device=S method=0\nbank 3 L\n  0 0 kept\n  3 0 kept too\n"},
        CatalogCase{
            "BuiltInListsAndADefinedOneWins",
            ".Patch Names\n[1..128]\n[Other]\n.Instrument Definitions\n[S]\nPatch[0]=1..128\n"
            "Patch[1]=0..127\nPatch[2]=Missing\nPatch[3]=Other\n[T]\nPatch[0]=0..127\n"
            ".Patch Names\n[0..127]\n7=Mine\n",
            "S",
            "device=S method=0\nbank 0 1..128\n" +
                [] {
                  std::string patches;
                  for (int p = 0; p < 128; ++p) {
                    patches += "  " + std::to_string(p) + " " + std::to_string(p / 8) + " " +
                               std::to_string(p + 1) + "\n";
                  }
                  return patches;
                }() +
                "bank 1 0..127\n  7 0 Mine\nbank 2 Missing\nbank 3 Other\n"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(InstrumentCatalog, KnowsItsInstrumentsAndLists) {
  InstrumentCatalog catalog;
  const std::string file =
      kChain + "[0..127]\n5=\n.Instrument Definitions\n[Empty]\n[S]\nPatch[0]=Top\n";
  LineReader lines(file);
  catalog.Read(lines);
  ASSERT_EQ(catalog.instruments().size(), 2u);
  EXPECT_TRUE(catalog.instruments()[0].banks.empty());
  EXPECT_EQ(catalog.FindInstrument("Nope"), nullptr);
  EXPECT_TRUE(catalog.HasList("TOP"));
  EXPECT_FALSE(catalog.HasList("Nowhere"));
  EXPECT_TRUE(catalog.IsBuiltIn("1..128"));
  EXPECT_TRUE(catalog.IsBuiltIn("0..127"));  // a header with only a nameless line names it
  ASSERT_NE(catalog.BaseNameOf("Top"), nullptr);
  EXPECT_EQ(*catalog.BaseNameOf("Top"), "mid");
  EXPECT_EQ(catalog.BaseNameOf("Base"), nullptr);
}

// A list's own patches are the ones PatchesOf gives from its own lines; the
// others it inherits, even round a cycle.
TEST(InstrumentCatalog, TellsAListsOwnPatchesFromThoseItInherits) {
  InstrumentCatalog catalog;
  LineReader lines(kChain);
  catalog.Read(lines);
  const auto origins = [&](std::string_view list) {
    std::string text;
    const auto& own = catalog.OwnPatchesOf(list);
    for (const auto& patch : catalog.PatchesOf(list)) {
      const bool isOwn = std::any_of(own.begin(), own.end(), [&](const auto& line) {
        return line.name.data() == patch.name.data();
      });
      text.append(patch.name).append(isOwn ? " own, " : " inherited, ");
    }
    return text;
  };
  EXPECT_EQ(origins("Top"), "B0 inherited, M1 inherited, T2 again own, T3 own, ");
  EXPECT_EQ(origins("A"), "A0 own, A1 own, B2 inherited, ");
  EXPECT_EQ(origins("B"), "A0 inherited, B1 own, B2 own, ");
  EXPECT_EQ(origins("Nowhere"), "");
}

}  // namespace

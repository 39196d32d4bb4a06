// The patch map's bytes: header, one line per patch, closing line, CR LF.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "byte_sink.h"
#include "instrument_definition.h"
#include "test_files.h"

namespace {

TEST(PatchMap, WholeFile) {
  EXPECT_EQ(PatchMapOf("[Synth & Co]\nBankSelMethod=0\nPatch[129]=A\nPatch[3]=Empty\n"
                       "Patch[-1]=B\n[A]\n0=Piano\n130=It's <\"loud\"> & &amp;\n[B]\n-9=Low\n"
                       "[Synth & Co]\n"),
            "<patchmap version=\"1.0\" device=\"Synth &amp; Co\">\r\n"
            "<patch family=\"0\" bank=\"1.1\" preset=\"0\" name=\"Piano\" />\r\n"
            "<patch family=\"16\" bank=\"1.1\" preset=\"130\" "
            "name=\"It's &lt;&quot;loud&quot;&gt; &amp; &amp;amp;\" />\r\n"
            "<patch family=\"-1\" bank=\"127.127\" preset=\"-9\" name=\"Low\" />\r\n"
            "</patchmap>\r\n");
}

TEST(PatchMap, BanksWithoutPatchesGiveTheTwoLineFile) {
  EXPECT_EQ(PatchMapOf("Patch[0]=Nowhere\n"),
            "<patchmap version=\"1.0\" device=\"\">\r\n</patchmap>\r\n");
}

TEST(PatchMap, PatchesAreWrittenAsReadNotSortedNorMerged) {
  EXPECT_EQ(PatchMapOf("Patch[0]=L\n[L]\n5=B\n1=A\n5=B\n"),
            "<patchmap version=\"1.0\" device=\"L\">\r\n"
            "<patch family=\"0\" bank=\"0.0\" preset=\"5\" name=\"B\" />\r\n"
            "<patch family=\"0\" bank=\"0.0\" preset=\"1\" name=\"A\" />\r\n"
            "<patch family=\"0\" bank=\"0.0\" preset=\"5\" name=\"B\" />\r\n"
            "</patchmap>\r\n");
}

TEST(PatchMap, ControlAndHighBytesPassUnchanged) {
  std::string map = PatchMapOf("Patch[0]=L\n[L]\n1=a\tb\x01\x7f\x80\xff\n");
  EXPECT_NE(map.find("name=\"a\tb\x01\x7f\x80\xff\" />\r\n"), std::string::npos) << map;
}

TEST(PatchMap, LongLinesStillEndInCrLf) {
  std::string file = "Patch[0]=L\n[L]\n";
  for (int i = 0; i < 5000; ++i) file += std::to_string(i) + "=" + std::string(131, '&') + "\n";
  std::string map = PatchMapOf(file);
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = map.find('\n', at)) != std::string::npos; ++at, ++lines) {
    ASSERT_EQ(map[at - 1], '\r') << "line " << lines;
  }
  EXPECT_EQ(lines, 5002u);
  EXPECT_EQ(map.find('\r'), map.find("\r\n"));
}

struct BankCase {
  std::int32_t method;
  std::int32_t bankNumber;
  const char* attribute;
  friend void PrintTo(const BankCase& c, std::ostream* os) {
    *os << "method " << c.method << ", Patch[" << c.bankNumber << "]";
  }
};

class BankAttribute : public testing::TestWithParam<BankCase> {};

TEST_P(BankAttribute, SplitsTheBankValueIntoTwo7BitParts) {
  const BankCase& c = GetParam();
  std::string map = PatchMapOf("BankSelMethod=" + std::to_string(c.method) + "\nPatch[" +
                               std::to_string(c.bankNumber) + "]=L\n[L]\n0=P\n");
  EXPECT_NE(map.find(std::string("bank=\"") + c.attribute + "\""), std::string::npos) << map;
}

INSTANTIATE_TEST_SUITE_P(
    Methods, BankAttribute,
    testing::Values(BankCase{1, 5, "5.0"}, BankCase{2, 5, "0.5"}, BankCase{3, 5, "0.5"},
                    BankCase{0, 5, "0.5"}, BankCase{0, 129, "1.1"}, BankCase{0, 16383, "127.127"},
                    BankCase{0, 16384, "0.0"}, BankCase{4, 129, "0.0"}, BankCase{-1, 129, "0.0"},
                    BankCase{0, -1, "127.127"}, BankCase{1, -1, "127.0"}, BankCase{1, 200, "72.0"},
                    BankCase{1, INT32_MAX, "127.0"}, BankCase{1, INT32_MIN, "0.0"},
                    BankCase{0, INT32_MIN, "0.0"}));

}  // namespace

// File names made from instrument names: what both systems take, character
// by character, and the names of the page's downloads and zip entries.
#include "file_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SafeFileName, KeepsWhatBothSystemsTakeAndReplacesTheRest) {
  for (auto [name, safe] :
       {std::pair{"Roland GS", "Roland GS"}, std::pair{"a/b\\c:d*e", "a_b_c_d_e"},
        std::pair{"q?\"<>|\t", "q______"}, std::pair{"end. . ", "end"},
        std::pair{".hidden", "_hidden"}, std::pair{"", "_"}, std::pair{"..", "_"},
        std::pair{"nul", "nul_"}, std::pair{"Com9 .x", "Com9_ .x"},
        std::pair{"LPT1.synth", "LPT1_.synth"}, std::pair{"COM10", "COM10"},
        std::pair{"\xe9t\xe9", "\xe9t\xe9"}}) {
    EXPECT_EQ(SafeFileName(name), safe) << name;
  }
  EXPECT_EQ(SafeFileName(std::string(300, 'x')).size(), 200u);
}

// Characters, not bytes: the cut keeps whole UTF-8 sequences and two-byte
// characters, whose second byte may be "\\" or "|" in code page 932; the
// port numbers ¹ ² ³ (Windows-1252 or UTF-8) make device names as digits do.
TEST(SafeFileName, TakesTheNameCharacterByCharacter) {
  LeadBytes codePage932;
  for (unsigned byte = 0x81; byte <= 0xFC; ++byte)
    codePage932.set(byte, byte <= 0x9F || byte >= 0xE0);
  const std::string x199(199, 'x');
  struct Case {
    std::string name;
    LeadBytes leadBytes;
    std::string safe;
  };
  for (const Case& c : {
           Case{x199 + "\xc3\xa9", {}, x199},
           Case{x199 + "\xff\xc3\xa9", {}, x199 + "\xff"},
           Case{"\x83\x5c\x83\x7c/", codePage932, "\x83\x5c\x83\x7c_"},
           Case{"\x83\x5c\x83\x7c/", {}, "\x83_\x83__"},
           Case{x199 + "\x83\x5c", codePage932, x199},
           Case{"COM\xb9", {}, "COM\xb9_"},
           Case{"lpt\xc2\xb3.x", {}, "lpt\xc2\xb3_.x"},
           Case{"Com\xb2 ", {}, "Com\xb2_"},
           Case{"COM\xb4", {}, "COM\xb4"},
       }) {
    EXPECT_EQ(SafeFileName(c.name, c.leadBytes), c.safe) << c.name;
  }
}

// The page's names: UTF-8 as it is, Windows-1252 decoded, at most 255 bytes
// cut at a character; one key for the names a case-blind disk takes as one.
TEST(PortableMapName, IsUtf8OfAtMost255BytesWithItsExtension) {
  auto times = [](int count, const std::string& text) {
    std::string repeated;
    for (int i = 0; i < count; ++i) repeated += text;
    return repeated;
  };
  const std::string a60(60, 'a');
  for (auto [name, portable] : {
           std::pair<std::string, std::string>{"Nova 61", "Nova 61.vpm"},
           {"\xc3\x84rger", "\xc3\x84rger.vpm"},                            // UTF-8 already
           {"\xc4rger \x80\x81", "\xc3\x84rger \xe2\x82\xac\xc2\x81.vpm"},  // Windows-1252
           {std::string(200, '\xe9'), times(125, "\xc3\xa9") + ".vpm"},     // cut at a character
           {a60 + " " + std::string(65, '\x80'), a60 + " " + times(63, "\xe2\x82\xac") + ".vpm"},
           // A blank at the end of the cut goes, as Windows drops it.
           {std::string(83, '\x80') + " \xe9", times(83, "\xe2\x82\xac") + ".vpm"},
       }) {
    EXPECT_EQ(PortableMapName(name), portable) << name;
    EXPECT_LE(PortableMapName(name).size(), 255u);
  }
}

TEST(FileNameKey, IsOneForNamesThatDifferInCaseAlone) {
  EXPECT_EQ(FileNameKey("\xc3\x84rger.vpm"), FileNameKey("\xc3\xa4RGER.VPM"));
  EXPECT_EQ(FileNameKey("Stra\xc3\x9f"
                        "e"),
            FileNameKey("STRASSE"));
  EXPECT_EQ(FileNameKey("\xce\xa3\xce\x91"), FileNameKey("\xcf\x83\xce\xb1"));  // ΣΑ, σα
  EXPECT_NE(FileNameKey("A\xcc\x88"), FileNameKey("\xc3\x84")) << "no normalisation";
  EXPECT_NE(FileNameKey("Nova 61"), FileNameKey("Nova 62"));
}

}  // namespace

// Every example instrument definition converts to its committed patch map,
// byte for byte.
#include <gtest/gtest.h>

#include "instrument_definition.h"
#include "test_files.h"

namespace {

TEST(Examples, ConvertToTheirCommittedPatchMaps) {
  int converted = 0;
  for (const auto& entry : std::filesystem::directory_iterator(PATCHCONV_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".ins") continue;
    TemporaryFolder folder;
    InstrumentDefinition instrument;
    ASSERT_EQ(instrument.LoadInstrumentFile(entry.path()), 0) << entry.path();
    ASSERT_EQ(instrument.WritePatchMap(folder / "out.vpm"), 0);
    auto expected = entry.path();
    EXPECT_EQ(ReadBytes(folder / "out.vpm"), ReadBytes(expected.replace_extension(".vpm")))
        << entry.path();
    ++converted;
  }
  EXPECT_GT(converted, 0);
}

}  // namespace

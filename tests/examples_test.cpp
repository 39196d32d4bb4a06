// Every example instrument definition converts to its committed patch map,
// and where a folder of its name holds one map per instrument, to those too;
// byte for byte. What --check and --list say of each example and of a few
// hostile files is kept beside them (NAME.check, NAME.list: standard output,
// then standard error), so that a change to any finding shows.
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

TEST(Examples, EachInstrumentConvertsToItsCommittedPatchMap) {
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(PATCHCONV_EXAMPLES_DIR)) {
    auto committed = entry.path();
    committed.replace_extension();
    if (entry.path().extension() != ".ins" || !std::filesystem::is_directory(committed)) continue;
    TemporaryFolder folder;
    ASSERT_EQ(Patchconv({"--each-instrument", "-d", folder.path(), entry.path()}).status, 0);
    const std::vector<std::string> maps = FolderEntries(folder.path());
    EXPECT_EQ(maps, FolderEntries(committed));
    for (const std::string& map : maps) {
      EXPECT_EQ(ReadBytes(folder / map), ReadBytes(committed / map)) << map;
      ++compared;
    }
  }
  EXPECT_GT(compared, 0);
}

// What `patchconv OPTION SOURCE` prints, with the source's folder left out of
// every path, as when run in that folder.
std::string PrintedFor(const char* option, const std::filesystem::path& source) {
  const PatchconvRun run = Patchconv({option, source});
  std::string printed = run.out + run.err;
  const std::string folder = source.parent_path().string() + "/";
  for (std::size_t at; (at = printed.find(folder)) != std::string::npos;)
    printed.erase(at, folder.size());
  return printed;
}

TEST(Examples, FindingsAndListingsAreThoseKeptBesideThem) {
  int compared = 0;
  for (const char* folder : {PATCHCONV_EXAMPLES_DIR, PATCHCONV_FINDINGS_DIR}) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() != ".ins") continue;
      for (const auto& [option, kept] :
           {std::pair{"--check", ".check"}, std::pair{"--list", ".list"}}) {
        auto golden = entry.path();
        EXPECT_EQ(PrintedFor(option, entry.path()), ReadBytes(golden.replace_extension(kept)))
            << option << " " << entry.path();
        ++compared;
      }
    }
  }
  EXPECT_GE(compared, 12);
}

}  // namespace

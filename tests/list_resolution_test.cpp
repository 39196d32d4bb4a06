// Resolving lists costs what the file holds, on the shapes that used to cost
// the square of a chain's length: the work (ListResolution::steps and the
// name lookups) is counted at two sizes and may grow no faster than the file.
#include "list_resolution.h"

#include <gtest/gtest.h>

#include <string>

#include "instrument_catalog.h"
#include "text_lines.h"

namespace {

// Lists L0..L(n-1), each built on the next, and one instrument whose banks
// name every list. `growing`: list i adds program i; otherwise every list
// names program 0.
std::string Chain(std::size_t n, bool growing) {
  std::string text = ".Patch Names\n";
  for (std::size_t i = 0; i < n; ++i) {
    text += "[L" + std::to_string(i) + "]\nBasedOn=L" + std::to_string(i + 1) + "\n" +
            std::to_string(growing ? i : 0) + "=P" + std::to_string(i) + "\n";
  }
  text += ".Instrument Definitions\n[I]\n";
  for (std::size_t i = 0; i < n; ++i) {
    text += "Patch[" + std::to_string(i) + "]=L" + std::to_string(i) + "\n";
  }
  return text;
}

// What reading the file and the work `use` asks of it cost, in steps.
template <typename Use>
std::uint64_t StepsFor(const std::string& text, Use use) {
  InstrumentCatalog catalog;
  LineReader lines(text);
  catalog.Read(lines);
  use(catalog);
  return catalog.Steps();
}

template <typename Use>
void ExpectLinear(bool growing, Use use) {
  constexpr std::size_t kSize = 4000;
  const std::uint64_t small = StepsFor(Chain(kSize, growing), use);
  const std::uint64_t large = StepsFor(Chain(2 * kSize, growing), use);
  EXPECT_LT(small, 40 * kSize) << "far more work than lists";
  EXPECT_LE(static_cast<double>(large), 2.2 * static_cast<double>(small))
      << small << " steps for " << kSize << " lists, " << large << " for twice as many";
}

// --instrument on the chain of one program: every bank's list holds one patch.
TEST(ListResolution, EveryListOfAChainIsResolvedOnce) {
  ExpectLinear(false, [](InstrumentCatalog& catalog) {
    const auto* instrument = catalog.FindInstrument("I");
    catalog.ResolveListsOf(instrument);
    for (const auto& bank : instrument->banks)
      EXPECT_EQ(catalog.PatchesOf(bank.listName).size(), 1u);
  });
}

// --list and --check on the chain that grows by a program a list: they need
// only counts, and counting writes nothing out.
TEST(ListResolution, CountsNeedNoPatchesWrittenOut) {
  ExpectLinear(true, [](InstrumentCatalog& catalog) {
    const auto* instrument = catalog.FindInstrument("I");
    std::size_t expected = instrument->banks.size();
    for (const auto& bank : instrument->banks)
      EXPECT_EQ(catalog.PatchCount(bank.listName), expected--);
  });
}

}  // namespace

// The index of names: ASCII case ignored, the first position kept, and no
// input can make a lookup cost more than a bounded run of slots and a
// logarithmic search, even names that all hash alike.
#include "name_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::uint64_t SameForAll(std::string_view, std::uint64_t) {
  return 42;
}

TEST(NameIndex, FindsNamesWhateverTheirCaseAndKeepsTheFirstPosition) {
  for (const NameIndex::Hash hash : {&NameIndex::CaseBlindHash, &SameForAll}) {
    NameIndex index(hash);
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) names.push_back("List " + std::to_string(i));
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(index.Add(names[i], i), i);
    EXPECT_EQ(index.Add("LIST 7", 999), 7u);
    EXPECT_EQ(index.Find("list 299"), 299u);
    EXPECT_EQ(index.Find("List 300"), NameIndex::kNone);
    EXPECT_EQ(index.Find("List 2\xC9"), NameIndex::kNone) << "only ASCII letters fold";
  }
}

// Names that all fall into one place: the cost per name stays flat as their
// number doubles.
TEST(NameIndex, NamesThatAllCollideCostALogarithmEach) {
  auto probesFor = [](std::size_t count) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < count; ++i) names.push_back("crafted-" + std::to_string(i));
    NameIndex index(&SameForAll);
    for (std::size_t i = 0; i < count; ++i) index.Add(names[i], i);
    for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(index.Find(names[i]), i);
    return index.probes();
  };
  const std::uint64_t small = probesFor(4096), large = probesFor(8192);
  EXPECT_LT(small, 4096u * 4 * (NameIndex::kMaxProbes + 20));
  EXPECT_LE(static_cast<double>(large), 2.3 * static_cast<double>(small)) << small << " " << large;
}

}  // namespace

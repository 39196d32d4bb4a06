// The node pool under churn: nodes made and freed in any order never share
// bytes, keep their alignment, and come back for reuse.
#include "node_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "instrument_definition.h"

namespace {

struct Marked {
  PatchEntry* node;
  std::uint32_t mark;
};

void Mark(Marked& marked) {
  std::memset(marked.node->name, static_cast<int>(marked.mark & 0xff), sizeof marked.node->name);
  marked.node->program = static_cast<std::int32_t>(marked.mark);
}

bool StillMarked(const Marked& marked) {
  const PatchEntry& node = *marked.node;
  return node.program == static_cast<std::int32_t>(marked.mark) &&
         std::all_of(std::begin(node.name), std::end(node.name),
                     [&](char c) { return c == static_cast<char>(marked.mark & 0xff); });
}

TEST(NodePool, NodesMadeAndFreedInAnyOrderNeverOverlap) {
  std::mt19937 random(3);
  std::vector<Marked> live;
  std::uint32_t nextMark = 1;
  for (int round = 0; round < 4; ++round) {
    // Grow well past one block, then free a random half, twice over.
    for (int i = 0; i < 20000; ++i) {
      live.push_back({new PatchEntry, nextMark++});
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(live.back().node) % alignof(PatchEntry), 0u);
      Mark(live.back());
    }
    std::shuffle(live.begin(), live.end(), random);
    for (std::size_t i = live.size() / 2; i < live.size(); ++i) delete live[i].node;
    live.resize(live.size() / 2);
    for (const Marked& marked : live) ASSERT_TRUE(StillMarked(marked));
  }
  std::set<PatchEntry*> distinct;
  for (const Marked& marked : live) distinct.insert(marked.node);
  EXPECT_EQ(distinct.size(), live.size());
  for (const Marked& marked : live) delete marked.node;
}

TEST(NodePool, AFreshNodeIsEmptyAfterReuse) {
  auto* used = new PatchEntry;
  std::memset(used->name, 'x', sizeof used->name);
  used->program = 7;
  auto* keeper = new PatchEntry;  // keeps the pool from giving its blocks back
  delete used;
  auto* fresh = new PatchEntry;
  EXPECT_EQ(fresh->program, 0);
  EXPECT_EQ(fresh->name[0], '\0');
  EXPECT_EQ(fresh->next, nullptr);
  delete fresh;
  delete keeper;
}

TEST(NodePool, AnInstrumentClearedAndLoadedAgainConvertsTheSame) {
  std::string text = "[S]\nPatch[0]=L\nPatch[1]=M\n[L]\n";
  for (int i = 0; i < 5000; ++i) text += std::to_string(i) + "=Name " + std::to_string(i) + "\n";
  text += "[M]\n0=Other\n";
  InstrumentDefinition first;
  ASSERT_EQ(first.LoadInstrumentText(text), 0);
  first.Clear();
  InstrumentDefinition second;
  ASSERT_EQ(second.LoadInstrumentText(text), 0);
  ASSERT_EQ(first.LoadInstrumentText(text), 0);  // both alive at once now
  for (const PatchBank *a = first.banks, *b = second.banks; a || b; a = a->next, b = b->next) {
    ASSERT_TRUE(a && b);
    ASSERT_NE(a, b);
    const PatchEntry *p = a->patches, *q = b->patches;
    for (; p || q; p = p->next, q = q->next) {
      ASSERT_TRUE(p && q);
      ASSERT_EQ(p->program, q->program);
      ASSERT_STREQ(p->name, q->name);
    }
  }
}

}  // namespace

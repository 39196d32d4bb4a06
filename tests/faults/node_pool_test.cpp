// The nodes of an instrument: made from its own blocks, they never share
// bytes, keep their alignment and start empty; two instruments never share.
#include "node_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "instrument_definition.h"
#include "memory_file_system.h"

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

// Nodes of one instrument, made past several blocks, keep their alignment
// and never share bytes; a Clear frees them and fresh nodes start empty.
TEST(NodePool, NodesNeverOverlapAndStartEmptyAfterAClear) {
  InstrumentDefinition instrument;
  for (int round = 0; round < 2; ++round) {
    std::vector<Marked> live;
    for (std::uint32_t mark = 1; mark <= 40000; ++mark) {
      live.push_back({instrument.NewPatch(), mark});
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(live.back().node) % alignof(PatchEntry), 0u);
      ASSERT_EQ(live.back().node->program, 0);
      ASSERT_EQ(live.back().node->name[0], '\0');
      Mark(live.back());
    }
    for (const Marked& marked : live) ASSERT_TRUE(StillMarked(marked));
    std::set<PatchEntry*> distinct;
    for (const Marked& marked : live) distinct.insert(marked.node);
    EXPECT_EQ(distinct.size(), live.size());
    instrument.Clear();
  }
}

TEST(NodePool, AnInstrumentClearedAndLoadedAgainConvertsTheSame) {
  std::string text = "[S]\nPatch[0]=L\nPatch[1]=M\n[L]\n";
  for (int i = 0; i < 5000; ++i) text += std::to_string(i) + "=Name " + std::to_string(i) + "\n";
  text += "[M]\n0=Other\n";
  InstrumentDefinition first;
  ASSERT_EQ(LoadInstrumentText(first, text), 0);
  first.Clear();
  InstrumentDefinition second;
  ASSERT_EQ(LoadInstrumentText(second, text), 0);
  ASSERT_EQ(LoadInstrumentText(first, text), 0);  // both alive at once now
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

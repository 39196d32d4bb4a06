// Finds the first bank whose patch-list name equals a header's text, without
// regard to ASCII case, in constant time: pass 2 asks once per header, and a
// search from the head of the bank list would make large files quadratic.
#pragma once

#include <string_view>
#include <vector>

#include "instrument_definition.h"

class PatchListIndex {
 public:
  // Where the patches of one patch list go: the first bank of that name and
  // the last patch it holds so far.
  struct Slot {
    PatchBank* bank = nullptr;
    PatchEntry* tail = nullptr;
  };

  // Indexes every bank of the list; later banks of a name already seen are
  // left out, since only the first receives patches.
  explicit PatchListIndex(PatchBank* banks);

  // The slot of the first bank named `name`, or nullptr when there is none.
  Slot* Find(std::string_view name);

 private:
  std::size_t Probe(std::string_view name) const;
  std::vector<Slot> slots_;  // open addressing; a power of two in size
};

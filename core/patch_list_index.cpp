#include "patch_list_index.h"

#include <bit>
#include <cstdint>

#include "text_lines.h"

namespace {

// FNV-1a over the ASCII-lowercased bytes, so names that differ only in case
// fall into the same place.
std::uint64_t HashIgnoringCase(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : text) {
    unsigned char lower = static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
    hash = (hash ^ lower) * 1099511628211ull;
  }
  return hash;
}

std::size_t CountBanks(const PatchBank* banks) {
  std::size_t count = 0;
  for (; banks != nullptr; banks = banks->next) ++count;
  return count;
}

PatchEntry* LastPatch(PatchEntry* patches) {
  while (patches != nullptr && patches->next != nullptr) patches = patches->next;
  return patches;
}

}  // namespace

PatchListIndex::PatchListIndex(PatchBank* banks)
    : slots_(std::bit_ceil(2 * CountBanks(banks) + 2)) {
  for (PatchBank* bank = banks; bank != nullptr; bank = bank->next) {
    Slot& slot = slots_[Probe(bank->patchListName)];
    if (slot.bank == nullptr) slot = Slot{bank, LastPatch(bank->patches)};
  }
}

PatchListIndex::Slot* PatchListIndex::Find(std::string_view name) {
  Slot& slot = slots_[Probe(name)];
  return slot.bank != nullptr ? &slot : nullptr;
}

// The slot that holds `name`, or the empty slot where it would go. The table
// is never more than half full, so the search always ends.
std::size_t PatchListIndex::Probe(std::string_view name) const {
  std::size_t mask = slots_.size() - 1;
  std::size_t i = static_cast<std::size_t>(HashIgnoringCase(name)) & mask;
  while (slots_[i].bank != nullptr && !EqualsIgnoringCase(slots_[i].bank->patchListName, name)) {
    i = (i + 1) & mask;
  }
  return i;
}

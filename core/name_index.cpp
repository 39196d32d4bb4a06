#include "name_index.h"

#include <cstdint>

#include "text_lines.h"

namespace {

// FNV-1a over the ASCII-lowercased bytes, so names that differ only in case
// fall into the same place.
std::uint64_t HashIgnoringCase(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    const auto lower = static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
    hash = (hash ^ lower) * 1099511628211ull;
  }
  return hash;
}

}  // namespace

std::size_t NameIndex::Find(std::string_view name) const {
  return slots_.empty() ? kNone : slots_[Probe(name)].position;
}

std::size_t NameIndex::Add(std::string_view name, std::size_t position) {
  if (2 * (used_ + 1) > slots_.size()) Grow();
  Slot& slot = slots_[Probe(name)];
  if (slot.position == kNone) {
    slot = {name, position};
    ++used_;
  }
  return slot.position;
}

// The table is never more than half full, so the search always ends.
std::size_t NameIndex::Probe(std::string_view name) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = static_cast<std::size_t>(HashIgnoringCase(name)) & mask;
  while (slots_[i].position != kNone && !EqualsIgnoringCase(slots_[i].name, name)) {
    i = (i + 1) & mask;
  }
  return i;
}

void NameIndex::Grow() {
  std::vector<Slot> old(slots_.empty() ? 16 : 2 * slots_.size());
  old.swap(slots_);
  for (const Slot& slot : old) {
    if (slot.position != kNone) slots_[Probe(slot.name)] = slot;
  }
}

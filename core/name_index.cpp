#include "name_index.h"

#include <algorithm>
#include <random>

#include "text_lines.h"

namespace {

// Drawn once per process, so that no file can be made to collide in it.
std::uint64_t ProcessSeed() {
  static const std::uint64_t seed = [] {
    std::uint64_t drawn = 0;
    try {
      std::random_device random;
      drawn = (std::uint64_t{random()} << 32) ^ random();
    } catch (...) {  // no source of randomness: the sorted index still bounds every lookup
    }
    return drawn;
  }();
  return seed;
}

}  // namespace

// FNV-1a over the lower-cased bytes from a seeded start, then mixed so that
// every bit of the seed and the name reaches the low bits the table uses.
std::uint64_t NameIndex::CaseBlindHash(std::string_view name, std::uint64_t seed) {
  std::uint64_t hash = 14695981039346656037ull ^ seed;
  for (const char c : name) {
    hash = (hash ^ static_cast<unsigned char>(AsciiLower(c))) * 1099511628211ull;
  }
  hash ^= hash >> 32;
  hash *= 0xD6E8FEB86659FD93ull;
  return hash ^ (hash >> 32);
}

bool NameIndex::CaseBlindLess::operator()(std::string_view a, std::string_view b) const {
  ++*probes;
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(AsciiLower(x)) < static_cast<unsigned char>(AsciiLower(y));
  });
}

NameIndex::NameIndex(Hash hash) : hash_(hash), seed_(ProcessSeed()) {}

std::size_t NameIndex::Find(std::string_view name) const {
  if (slots_.empty()) return kNone;
  const std::size_t slot = Probe(name, hash_(name, seed_));
  if (slot != kNone) return slots_[slot].position;
  const auto found = overflow_.find(name);
  return found != overflow_.end() ? found->second : kNone;
}

std::size_t NameIndex::Add(std::string_view name, std::size_t position) {
  if (2 * (used_ + 1) > slots_.size()) Grow();
  const std::uint64_t hash = hash_(name, seed_);
  const std::size_t slot = Probe(name, hash);
  if (slot != kNone && slots_[slot].position != kNone) return slots_[slot].position;
  if (slot == kNone) {
    if (const auto found = overflow_.find(name); found != overflow_.end()) return found->second;
  }
  Place(name, hash, position);
  return position;
}

// Puts a name that the index does not hold in the first free slot from its
// place, or into the sorted index where there is none within reach.
void NameIndex::Place(std::string_view name, std::uint64_t hash, std::size_t position) {
  const std::size_t slot = Probe(name, hash);
  if (slot == kNone) {
    overflow_.emplace(name, position);
    return;
  }
  slots_[slot] = {name, position, hash};
  ++used_;
}

std::size_t NameIndex::Probe(std::string_view name, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = static_cast<std::size_t>(hash) & mask;
  for (std::size_t probe = 0; probe < kMaxProbes; ++probe, i = (i + 1) & mask) {
    ++probes_;
    const Slot& slot = slots_[i];
    if (slot.position == kNone) return i;
    if (slot.hash == hash && EqualsIgnoringCase(slot.name, name)) return i;
  }
  return kNone;
}

void NameIndex::Grow() {
  std::vector<Slot> old(slots_.empty() ? 16 : 2 * slots_.size());
  old.swap(slots_);
  used_ = 0;
  auto overflowed = std::move(overflow_);
  overflow_ = decltype(overflow_)(CaseBlindLess{&probes_});
  for (const Slot& slot : old) {
    if (slot.position != kNone) Place(slot.name, slot.hash, slot.position);
  }
  for (const auto& [name, position] : overflowed) Place(name, hash_(name, seed_), position);
}

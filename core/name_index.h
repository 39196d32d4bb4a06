// Positions by name, ASCII case ignored: the one index of names of the
// whole-file reading (banks by their list), the instrument reading (lists and
// instruments) and the check. A search from the head of a list would make
// files with many names quadratic, and so would a hash that a file's names
// can be made to collide in: the hash is seeded afresh in every process, and
// a name whose place in the table lies beyond kMaxProbes taken slots goes to a
// sorted index instead, so that no input makes a lookup cost more than
// kMaxProbes slots and a logarithmic search.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

class NameIndex {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  static constexpr std::size_t kMaxProbes = 32;

  // A hash of a name that ignores ASCII case, from a seed.
  using Hash = std::uint64_t (*)(std::string_view name, std::uint64_t seed);
  static std::uint64_t CaseBlindHash(std::string_view name, std::uint64_t seed);

  explicit NameIndex(Hash hash = &CaseBlindHash);
  // The sorted index counts its comparisons in this very object.
  NameIndex(const NameIndex&) = delete;
  NameIndex& operator=(const NameIndex&) = delete;

  // The position of `name`, or kNone.
  std::size_t Find(std::string_view name) const;

  // Adds `name` at `position` unless a name equal to it is there already;
  // returns the position the name has. The name's bytes must outlive the
  // index: it keeps a view of them.
  std::size_t Add(std::string_view name, std::size_t position);

  // How many slots and sorted entries the lookups so far have looked at.
  std::uint64_t probes() const { return probes_; }

 private:
  struct Slot {
    std::string_view name;
    std::size_t position = kNone;
    std::uint64_t hash = 0;  // the name's hash: others are passed over, growing needs no rehash
  };

  // Orders names by their ASCII lower case, counting comparisons as probes.
  struct CaseBlindLess {
    std::uint64_t* probes;
    bool operator()(std::string_view a, std::string_view b) const;
  };

  // The slot that holds `name` or the empty one where it would go; kNone
  // when kMaxProbes slots from its place are all taken by other names.
  std::size_t Probe(std::string_view name, std::uint64_t hash) const;
  void Place(std::string_view name, std::uint64_t hash, std::size_t position);
  void Grow();

  Hash hash_;
  std::uint64_t seed_;
  std::vector<Slot> slots_;  // open addressing, a power of two, at most half full
  std::size_t used_ = 0;
  mutable std::uint64_t probes_ = 0;
  std::map<std::string_view, std::size_t, CaseBlindLess> overflow_{CaseBlindLess{&probes_}};
};

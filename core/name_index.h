// Positions by name, ASCII case ignored, found in constant time: the one index
// of names of the whole-file reading (banks by their list), the instrument
// reading (lists and instruments) and the check. A search from the head of a
// list would make files with many names quadratic.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

class NameIndex {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // The position of `name`, or kNone.
  std::size_t Find(std::string_view name) const;

  // Adds `name` at `position` unless a name equal to it is there already;
  // returns the position the name has. The name's bytes must outlive the
  // index: it keeps a view of them.
  std::size_t Add(std::string_view name, std::size_t position);

 private:
  struct Slot {
    std::string_view name;
    std::size_t position = kNone;
  };

  // The slot that holds `name`, or the empty slot where it would go.
  std::size_t Probe(std::string_view name) const;
  void Grow();

  std::vector<Slot> slots_;  // open addressing, a power of two, at most half full
  std::size_t used_ = 0;
};

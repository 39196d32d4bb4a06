// Lists of names kept to one readable line, for messages and findings: a file
// may define a million instruments.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Names for a message: the first ten, then how many more there are.
class NameList {
 public:
  static constexpr std::size_t kShown = 10;

  void Add(std::string_view name);
  std::size_t size() const { return count_; }
  // "A, B, C", or "A, ..., J and 5 more".
  std::string Text() const;

 private:
  std::string shown_;
  std::size_t count_ = 0;
};

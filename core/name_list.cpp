#include "name_list.h"

void NameList::Add(std::string_view name) {
  if (++count_ > kShown) return;
  if (count_ > 1) shown_ += ", ";
  shown_ += name;
}

std::string NameList::Text() const {
  if (count_ <= kShown) return shown_;
  return shown_ + " and " + std::to_string(count_ - kShown) + " more";
}

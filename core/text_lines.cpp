#include "text_lines.h"

#include <algorithm>
#include <cstring>

std::string_view TextBeforeEndOfFileMark(std::string_view bytes) {
  return bytes.substr(0, bytes.find('\x1a'));
}

void LineReader::Refill() {
  originOffset_ += static_cast<std::uint64_t>(rest_.data() - buffer_);
  std::memmove(buffer_, rest_.data(), rest_.size());
  std::size_t used = rest_.size();
  while (source_ != nullptr && used < bufferBytes_) {
    std::size_t got = 0;
    if (const SystemError error = source_->Read(buffer_ + used, bufferBytes_ - used, got);
        error.Failed()) {
      error_ = error;
      used = 0;  // nothing more is handed out
      source_ = nullptr;
    } else if (got == 0) {
      source_ = nullptr;
    } else {
      const std::string_view fresh = TextBeforeEndOfFileMark(std::string_view(buffer_ + used, got));
      used += fresh.size();
      if (fresh.size() < got) source_ = nullptr;  // a 0x1A ends the input
    }
  }
  rest_ = std::string_view(buffer_, used);
  end_ = buffer_ + used;
  nextNul_ = FindNul(buffer_);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
  return lower;
}

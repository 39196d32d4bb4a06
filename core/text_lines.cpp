#include "text_lines.h"

#include <algorithm>
#include <cstring>

#include "instrument_definition.h"

std::string_view TextBeforeEndOfFileMark(std::string_view bytes) {
  return bytes.substr(0, bytes.find('\x1a'));
}

bool LineReader::Next(std::string_view& line) {
  if (rest_.empty()) return false;
  // Raw bytes of this read. Only a CR right before the LF is dropped, so the
  // read holds kMaxLineBytes raw bytes unless the line feed ends it sooner.
  // An LF at index kMaxLineBytes still fits when a CR before it is dropped,
  // so the search never needs to look further than that.
  std::size_t lineFeed = rest_.substr(0, kMaxLineBytes + 1).find('\n');
  std::size_t rawLength;
  if (lineFeed == std::string_view::npos) {
    rawLength = std::min(rest_.size(), kMaxLineBytes);
  } else {
    bool crLf = lineFeed > 0 && rest_[lineFeed - 1] == '\r';
    std::size_t translatedLength = lineFeed + 1 - (crLf ? 1 : 0);
    rawLength = translatedLength <= kMaxLineBytes ? lineFeed + 1 : kMaxLineBytes;
  }
  std::string_view raw = rest_.substr(0, rawLength);
  rest_.remove_prefix(rawLength);
  // A NUL ends the text that the zero-terminated buffer holds; the trailing
  // CR and LF go with the trim, which takes them as whitespace.
  line = TrimmedView(raw.substr(0, raw.find('\0')));
  return true;
}

std::string_view TrimmedView(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsWhitespace(text[begin])) ++begin;
  while (end > begin && IsWhitespace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

void TrimWhitespace(char* text) {
  std::string_view trimmed = TrimmedView(text);
  std::memmove(text, trimmed.data(), trimmed.size());
  text[trimmed.size()] = '\0';
}

static char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
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

std::int32_t DecimalValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsWhitespace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

bool SplitKeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
  std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  key = TrimmedView(line.substr(0, equals));
  value = TrimmedView(line.substr(equals + 1));
  return true;
}

std::string_view HeaderText(std::string_view line) {
  // The line is trimmed, so removing the "]" before or after trimming what
  // follows the "[" gives the same text.
  std::string_view text = line.substr(1);
  if (!text.empty() && text.back() == ']') text.remove_suffix(1);
  return TrimmedView(text);
}

void CopyToField(char* field, std::size_t capacity, std::string_view text) {
  std::size_t length = std::min(text.size(), capacity - 1);
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

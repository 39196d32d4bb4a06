// Line reading and small text helpers shared by the readings of an instrument
// definition. The rules are those of a Windows text-mode stream read with a
// 300-byte fgets, applied to raw bytes so that every platform sees the same
// lines. The helpers that run for every line are inline: a large file has
// millions.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "system_error.h"

// The text up to the first 0x1A byte, which text mode takes as end of input.
std::string_view TextBeforeEndOfFileMark(std::string_view bytes);

// Space, tab, LF, VT, FF and CR; bytes from 0x80 up are never whitespace.
constexpr bool IsWhitespace(char c) {
  // One test: bit n of the mask is set for each whitespace byte n.
  constexpr std::uint64_t kWhitespace = (1ull << ' ') | (1ull << '\t') | (1ull << '\n') |
                                        (1ull << '\v') | (1ull << '\f') | (1ull << '\r');
  const auto byte = static_cast<unsigned char>(c);
  return byte <= ' ' && ((kWhitespace >> byte) & 1u) != 0;
}

// The first byte at or after `at` that is no whitespace, or `end`.
inline const char* SkipWhitespace(const char* at, const char* end) {
  while (at < end && IsWhitespace(*at)) ++at;
  return at;
}

// The text without whitespace at its end, and at its start.
inline std::string_view WithoutTrailingWhitespace(std::string_view text) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (end > begin && IsWhitespace(end[-1])) --end;
  return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

inline std::string_view WithoutLeadingWhitespace(std::string_view text) {
  const char* end = text.data() + text.size();
  const char* begin = SkipWhitespace(text.data(), end);
  return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

inline std::string_view TrimmedView(std::string_view text) {
  return WithoutLeadingWhitespace(WithoutTrailingWhitespace(text));
}

// Where a LineReader gets bytes that are not all in memory: a file read in
// pieces. Reads up to `capacity` bytes into `buffer`; `got` is 0 at the end.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual SystemError Read(char* buffer, std::size_t capacity, std::size_t& got) = 0;
};

// Yields the lines of a text as a text-mode fgets into a buffer of 300 bytes
// would: a CR directly before an LF is dropped, a read stops after an LF or
// after 299 bytes, and the rest of a longer physical line comes as a line of
// its own; a 0x1A byte ends the input. Each line is returned up to its first
// NUL, trimmed of whitespace. The text is either all in memory or read from
// a ByteSource through a buffer of fixed size, so that memory does not grow
// with the file.
class LineReader {
 public:
  static constexpr std::size_t kMaxLineBytes = 299;
  // A buffer must hold the longest read and more; larger ones read less often.
  static constexpr std::size_t kMinBufferBytes = 2 * (kMaxLineBytes + 1);

  // Over a text already in memory, which must already end at its first 0x1A.
  explicit LineReader(std::string_view text)
      : rest_(text),
        end_(text.data() + text.size()),
        nextNul_(FindNul(text.data())),
        origin_(text.data()) {}

  // Over the bytes of `source`, read into `buffer` (at least kMinBufferBytes).
  LineReader(ByteSource& source, char* buffer, std::size_t bufferBytes)
      : rest_(buffer, 0),
        end_(buffer),
        nextNul_(buffer),
        origin_(buffer),
        source_(&source),
        buffer_(buffer),
        bufferBytes_(bufferBytes) {}

  // None to read: the lines of a source that cannot be read, for this reason.
  static LineReader Unreadable(SystemError error) {
    LineReader none{std::string_view()};
    none.error_ = error;
    return none;
  }

  // False at the end of the text or after a read error; otherwise sets
  // `line` to the next line.
  bool Next(std::string_view& line) {
    if (!NextStart(line)) return false;
    line = WithoutTrailingWhitespace(line);
    return true;
  }

  // The same, with whitespace trimmed from the start of the line only: for a
  // reading that looks at most lines' first byte alone. The line is empty
  // just when Next's would be.
  bool NextStart(std::string_view& line) {
    if (rest_.size() <= kMaxLineBytes && source_ != nullptr) Refill();
    if (rest_.empty()) return false;
    const char* begin = rest_.data();
    std::size_t length = 0;  // without its line feed and a CR before it
    const std::size_t rawLength = RawLineLength(length);
    rest_.remove_prefix(rawLength);
    lastRawLength_ = rawLength;
    lineNumber_ = nextLineNumber_;
    nextLineNumber_ += length != rawLength;  // only a line feed is passed over
    line = WithoutLeadingWhitespace(std::string_view(begin, TextLength(begin, length)));
    return true;
  }

  // Where the next read begins, and where the last one returned began: raw
  // byte offsets from where the reader began. A reader started again at
  // either offset reads the same lines from there.
  std::uint64_t NextReadAt() const {
    return originOffset_ + static_cast<std::uint64_t>(rest_.data() - origin_);
  }
  std::uint64_t LastReadAt() const { return NextReadAt() - lastRawLength_; }

  // Why reading the source failed, if it did: the lines then ended early.
  // Each pass returns it.
  SystemError error() const { return error_; }

  // The number of the physical line (counted from 1, ended by LF) where the
  // last line returned began; the reads of a line longer than 299 bytes
  // share its number.
  std::size_t LineNumber() const { return lineNumber_; }

 private:
  // The raw bytes of the next read. Only a CR right before the LF is dropped,
  // so the read holds kMaxLineBytes raw bytes unless the line feed ends it
  // sooner. An LF at index kMaxLineBytes still fits when a CR before it is
  // dropped, so the search never needs to look further than that.
  // `text` is how much of it is the line's text: without the line feed that
  // ends it and a CR before that.
  std::size_t RawLineLength(std::size_t& text) const {
    const std::size_t window = std::min(rest_.size(), kMaxLineBytes + 1);
    const void* found = std::memchr(rest_.data(), '\n', window);
    if (found == nullptr) return text = std::min(rest_.size(), kMaxLineBytes);
    const std::size_t lineFeed =
        static_cast<std::size_t>(static_cast<const char*>(found) - rest_.data());
    const bool crLf = lineFeed > 0 && rest_[lineFeed - 1] == '\r';
    const std::size_t translatedLength = lineFeed + (crLf ? 0 : 1);
    if (translatedLength > kMaxLineBytes) return text = kMaxLineBytes;
    text = lineFeed - crLf;
    return lineFeed + 1;
  }

  // A NUL ends the text that the zero-terminated buffer holds. NULs are
  // rare, so the next one is looked for once and kept until passed.
  std::size_t TextLength(const char* begin, std::size_t rawLength) {
    if (nextNul_ >= begin + rawLength) return rawLength;  // nearly always: none in this line
    if (nextNul_ < begin) nextNul_ = FindNul(begin);
    return nextNul_ < begin + rawLength ? static_cast<std::size_t>(nextNul_ - begin) : rawLength;
  }

  const char* FindNul(const char* from) const {
    const void* found = std::memchr(from, '\0', static_cast<std::size_t>(end_ - from));
    return found != nullptr ? static_cast<const char*>(found) : end_;
  }

  // Moves the unread bytes to the front of the buffer and fills the rest from
  // the source, so that the next read has all the bytes it may need.
  void Refill();

  std::string_view rest_;
  const char* end_;
  const char* nextNul_;  // the first NUL at or after the current line, or end_
  const char* origin_;   // where the byte at originOffset_ stands
  std::uint64_t originOffset_ = 0;
  std::size_t lastRawLength_ = 0;
  ByteSource* source_ = nullptr;  // none once it is used up or failed
  char* buffer_ = nullptr;
  std::size_t bufferBytes_ = 0;
  SystemError error_;
  std::size_t lineNumber_ = 0;
  std::size_t nextLineNumber_ = 1;
};

// The ASCII capital letters made small; every other byte as it is.
constexpr char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// ASCII letters compared without regard to case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);
// The text with ASCII capitals made small, as a key for names compared
// without regard to case.
std::string LowerAscii(std::string_view text);

// Leading whitespace, an optional sign, then decimal digits up to the first
// other character; no digits give 0. Wraps around modulo 2^32 like a 32-bit
// accumulator, computed in unsigned arithmetic.
inline std::int32_t DecimalValue(std::string_view text) {
  const char* end = text.data() + text.size();
  const char* at = SkipWhitespace(text.data(), end);
  bool negative = false;
  if (at < end && (*at == '+' || *at == '-')) negative = *at++ == '-';
  std::uint32_t value = 0;
  for (; at < end && *at >= '0' && *at <= '9'; ++at) {
    value = value * 10u + static_cast<std::uint32_t>(*at - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

// Splits a trimmed line at its first "=" into trimmed key and value; false
// without "=". Keys are short: the first bytes are looked at one by one.
inline bool SplitKeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
  constexpr std::size_t kShortKey = 16;
  std::size_t at = 0;
  while (at < line.size() && at < kShortKey && line[at] != '=') ++at;
  if (at == line.size()) return false;
  if (line[at] != '=') {
    const void* equals = std::memchr(line.data() + at, '=', line.size() - at);
    if (equals == nullptr) return false;
    at = static_cast<std::size_t>(static_cast<const char*>(equals) - line.data());
  }
  // The line is trimmed: the key begins and the value ends with it.
  key = WithoutTrailingWhitespace(line.substr(0, at));
  value = WithoutLeadingWhitespace(line.substr(at + 1));
  return true;
}

// Copies at most `capacity - 1` bytes of `text` into `field` and ends it with
// a zero; longer texts are cut.
inline void CopyToField(char* field, std::size_t capacity, std::string_view text) {
  const std::size_t length = std::min(text.size(), capacity - 1);
  if (length > 0) std::memcpy(field, text.data(), length);  // an empty view may have no data
  field[length] = '\0';
}

template <std::size_t N>
void CopyToField(char (&field)[N], std::string_view text) {
  CopyToField(field, N, text);
}

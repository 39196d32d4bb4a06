// Line reading and small text helpers shared by the two reading passes. The
// rules are those of a Windows text-mode stream read with a 300-byte fgets,
// applied to raw bytes so that every platform sees the same lines.
#pragma once

#include <cstdint>
#include <string_view>

// The text up to the first 0x1A byte, which text mode takes as end of input.
std::string_view TextBeforeEndOfFileMark(std::string_view bytes);

// Yields the lines of a text as a text-mode fgets into a buffer of 300 bytes
// would: a CR directly before an LF is dropped, a read stops after an LF or
// after 299 bytes, and the rest of a longer physical line comes as a line of
// its own. Each line is returned up to its first NUL, trimmed of whitespace.
class LineReader {
 public:
  static constexpr std::size_t kMaxLineBytes = 299;

  explicit LineReader(std::string_view text) : rest_(text) {}
  // False at the end of the text; otherwise sets `line` to the next line.
  bool Next(std::string_view& line);

 private:
  std::string_view rest_;
};

// Space, tab, LF, VT, FF and CR; bytes from 0x80 up are never whitespace.
constexpr bool IsWhitespace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view TrimmedView(std::string_view text);

// ASCII letters compared without regard to case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

// Leading whitespace, an optional sign, then decimal digits up to the first
// other character; no digits give 0. Wraps around modulo 2^32 like a 32-bit
// accumulator, computed in unsigned arithmetic.
std::int32_t DecimalValue(std::string_view text);

// Splits at the first "=" into trimmed key and value; false without "=".
bool SplitKeyValue(std::string_view line, std::string_view& key, std::string_view& value);

// The text of a header line "[...]": without the "[", without one closing
// "]" and trimmed. The line must be trimmed and begin with "[".
std::string_view HeaderText(std::string_view line);

// Copies at most `capacity - 1` bytes of `text` into `field` and ends it with
// a zero; longer texts are cut.
void CopyToField(char* field, std::size_t capacity, std::string_view text);

template <std::size_t N>
void CopyToField(char (&field)[N], std::string_view text) {
  CopyToField(field, N, text);
}

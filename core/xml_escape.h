// Escaping of attribute values in the patch map.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

struct XmlEntity {
  std::string_view character;  // one character
  std::string_view replacement;
};

// The ampersand comes first, so the entities that later rows insert are never
// escaped again. The apostrophe is left as it is.
inline constexpr std::array<XmlEntity, 4> kXmlEntities{{
    {"&", "&amp;"},
    {"<", "&lt;"},
    {">", "&gt;"},
    {"\"", "&quot;"},
}};

// The longest replacement: an escaped text is at most this many times longer.
inline constexpr std::size_t kMaxEscapedBytesPerByte = 6;

// Writes `text` at `out` with every character of kXmlEntities replaced; all
// other bytes, control characters and bytes from 0x80 up included, pass
// unchanged. `out` has room for kMaxEscapedBytesPerByte bytes per byte of
// `text`; returns the end. Inline: a patch map has millions of names, and
// most hold nothing to escape and are copied eight bytes at a time.
inline char* WriteEscapedXml(char* out, std::string_view text);

namespace xml_escape {

// The same, a byte at a time through the table of kXmlEntities.
char* WriteEscapedBytes(char* out, std::string_view text);

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// The high bit of each byte that is zero (and perhaps of bytes above one).
constexpr std::uint64_t ZeroBytes(std::uint64_t word) {
  return (word - kOnes) & ~word & kHighBits;
}

// Whether any of the eight bytes is one of & < > ". Setting bit 1 folds "<"
// (0x3C) into ">" (0x3E), setting bit 2 folds '"' (0x22) into "&" (0x26); no
// other byte folds into either, so two comparisons cover exactly the four.
constexpr bool NeedsEscape(std::uint64_t word) {
  return (ZeroBytes((word | (0x02 * kOnes)) ^ (0x3E * kOnes)) |
          ZeroBytes((word | (0x04 * kOnes)) ^ (0x26 * kOnes))) != 0;
}

inline std::uint64_t LoadWord(const char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// Copies a text of eight bytes or more eight at a time (the last eight
// overlapping the ones before), checking as it goes. False, with `out` partly
// written, as soon as a byte needs escaping.
inline bool CopyIfNothingToEscape(char* out, std::string_view text) {
  const char* in = text.data();
  const std::size_t size = text.size();
  for (std::size_t i = 0; i + 8 <= size; i += 8) {
    const std::uint64_t word = LoadWord(in + i);
    if (NeedsEscape(word)) return false;
    std::memcpy(out + i, &word, sizeof word);
  }
  const std::uint64_t last = LoadWord(in + size - 8);
  if (NeedsEscape(last)) return false;
  std::memcpy(out + size - 8, &last, sizeof last);
  return true;
}

}  // namespace xml_escape

inline char* WriteEscapedXml(char* out, std::string_view text) {
  if (text.size() >= 8 && xml_escape::CopyIfNothingToEscape(out, text)) return out + text.size();
  return xml_escape::WriteEscapedBytes(out, text);
}

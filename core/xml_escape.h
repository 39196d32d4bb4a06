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

// Copies `text` to `out` eight bytes at a time while none of them needs
// escaping (its last bytes in a word that overlaps the ones before); returns
// how many bytes from the start were copied: all, or a multiple of eight
// before the first word that holds a byte to escape.
inline std::size_t CopyWhileNothingToEscape(char* out, std::string_view text) {
  const char* in = text.data();
  const std::size_t size = text.size();
  std::size_t copied = 0;
  for (; copied + 8 <= size; copied += 8) {
    const std::uint64_t word = LoadWord(in + copied);
    if (NeedsEscape(word)) return copied;
    std::memcpy(out + copied, &word, sizeof word);
  }
  if (copied == size || size < 8) return copied;
  const std::uint64_t last = LoadWord(in + size - 8);
  if (NeedsEscape(last)) return copied;
  std::memcpy(out + size - 8, &last, sizeof last);
  return size;
}

// For each byte, 1 + its row in kXmlEntities, or 0; and each row's
// replacement padded to six bytes, so that every one is copied alike.
inline constexpr struct EntityTable {
  unsigned char rowOf[256];
  char padded[kXmlEntities.size()][kMaxEscapedBytesPerByte];
  constexpr EntityTable() : rowOf(), padded() {
    for (std::size_t row = 0; row < kXmlEntities.size(); ++row) {
      rowOf[static_cast<unsigned char>(kXmlEntities[row].character[0])] =
          static_cast<unsigned char>(row + 1);
      for (std::size_t i = 0; i < kXmlEntities[row].replacement.size(); ++i) {
        padded[row][i] = kXmlEntities[row].replacement[i];
      }
    }
  }
} kEntityTable;

// The same as WriteEscapedXml, a byte at a time. One pass with a byte table
// gives the same text as replacing the rows one after another: the ampersand
// row runs first, so no inserted entity is ever escaped again, and no
// replacement contains another row's character.
inline char* WriteEscapedBytes(char* out, std::string_view text) {
  for (char c : text) {
    const unsigned row = kEntityTable.rowOf[static_cast<unsigned char>(c)];
    *out = c;
    if (row == 0) {
      ++out;
      continue;
    }
    // Six bytes whatever the replacement's length: within the room of one byte.
    std::memcpy(out, kEntityTable.padded[row - 1], kMaxEscapedBytesPerByte);
    out += kXmlEntities[row - 1].replacement.size();
  }
  return out;
}

}  // namespace xml_escape

inline char* WriteEscapedXml(char* out, std::string_view text) {
  const std::size_t clean = xml_escape::CopyWhileNothingToEscape(out, text);
  if (clean == text.size()) return out + clean;
  return xml_escape::WriteEscapedBytes(out + clean, text.substr(clean));
}

#include "xml_escape.h"

#include <cstdint>
#include <cstring>

namespace {

// For each byte, its replacement from kXmlEntities, or an empty view.
struct EscapeTable {
  std::string_view replacement[256];
  constexpr EscapeTable() {
    for (const XmlEntity& entity : kXmlEntities) {
      replacement[static_cast<unsigned char>(entity.character[0])] = entity.replacement;
    }
  }
};

constexpr EscapeTable kEscapeTable;

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

constexpr bool HasZeroByte(std::uint64_t word) {
  return ((word - kOnes) & ~word & kHighBits) != 0;
}

// Whether any of the eight bytes is one of & < > ". Setting bit 1 folds "<"
// (0x3C) into ">" (0x3E), setting bit 2 folds '"' (0x22) into "&" (0x26); no
// other byte folds into either, so two comparisons cover exactly the four.
bool NeedsEscape(std::uint64_t word) {
  return HasZeroByte((word | (0x02 * kOnes)) ^ (0x3E * kOnes)) ||
         HasZeroByte((word | (0x04 * kOnes)) ^ (0x26 * kOnes));
}

std::uint64_t LoadWord(const char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

void StoreWord(char* bytes, std::uint64_t word) {
  std::memcpy(bytes, &word, sizeof word);
}

// Most texts hold none of the four characters: copy them eight bytes at a
// time (the last eight overlapping the ones before), checking as they go.
// False, with `out` partly written, as soon as one needs escaping.
bool CopyIfNothingToEscape(char* out, std::string_view text) {
  const char* in = text.data();
  const std::size_t size = text.size();
  if (size < 8) {
    for (std::size_t i = 0; i < size; ++i) {
      if (!kEscapeTable.replacement[static_cast<unsigned char>(in[i])].empty()) return false;
      out[i] = in[i];
    }
    return true;
  }
  for (std::size_t i = 0; i + 8 <= size; i += 8) {
    const std::uint64_t word = LoadWord(in + i);
    if (NeedsEscape(word)) return false;
    StoreWord(out + i, word);
  }
  if (size % 8 != 0) {
    const std::uint64_t word = LoadWord(in + size - 8);
    if (NeedsEscape(word)) return false;
    StoreWord(out + size - 8, word);
  }
  return true;
}

}  // namespace

// One pass with a byte table gives the same text as replacing the rows one
// after another: the ampersand row runs first, so no inserted entity is ever
// escaped again, and no replacement contains another row's character.
char* WriteEscapedXml(char* out, std::string_view text) {
  if (CopyIfNothingToEscape(out, text)) return out + text.size();
  for (char c : text) {
    std::string_view replacement = kEscapeTable.replacement[static_cast<unsigned char>(c)];
    if (replacement.empty()) {
      *out++ = c;
    } else {
      std::memcpy(out, replacement.data(), replacement.size());
      out += replacement.size();
    }
  }
  return out;
}

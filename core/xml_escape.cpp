#include "xml_escape.h"

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

}  // namespace

// One pass with a byte table gives the same text as replacing the rows one
// after another: the ampersand row runs first, so no inserted entity is ever
// escaped again, and no replacement contains another row's character.
char* xml_escape::WriteEscapedBytes(char* out, std::string_view text) {
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

#include "xml_escape.h"

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

}  // namespace

// One pass with a byte table gives the same text as replacing the rows one
// after another: the ampersand row runs first, so no inserted entity is ever
// escaped again, and no replacement contains another row's character.
void AppendEscapedXml(std::string& out, std::string_view text) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::string_view replacement = kEscapeTable.replacement[static_cast<unsigned char>(text[i])];
    if (replacement.empty()) continue;
    out.append(text.substr(runStart, i - runStart));
    out.append(replacement);
    runStart = i + 1;
  }
  out.append(text.substr(runStart));
}

std::string EscapeXml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  AppendEscapedXml(escaped, text);
  return escaped;
}

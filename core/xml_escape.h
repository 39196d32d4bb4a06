// Escaping of attribute values in the patch map.
#pragma once

#include <array>
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
// `text`; returns the end.
char* WriteEscapedXml(char* out, std::string_view text);

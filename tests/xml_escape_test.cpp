// The escaping of attribute values: the four characters of the table, and
// nothing else.
#include "xml_escape.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(WriteEscapedXml, ReplacesTheFourCharactersAndNothingElse) {
  struct Case {
    const char* text;
    const char* escaped;
  };
  for (Case c : {Case{"", ""}, Case{"plain", "plain"}, Case{"&", "&amp;"},
                 Case{"<a href=\"x\">", "&lt;a href=&quot;x&quot;&gt;"},
                 Case{"&lt; already", "&amp;lt; already"}, Case{"it's", "it's"},
                 Case{"&&<<>>\"\"", "&amp;&amp;&lt;&lt;&gt;&gt;&quot;&quot;"}}) {
    std::string out(std::strlen(c.text) * kMaxEscapedBytesPerByte, '\0');
    out.resize(static_cast<std::size_t>(WriteEscapedXml(out.data(), c.text) - out.data()));
    EXPECT_EQ(out, c.escaped) << c.text;
  }
}

// Each byte value at each place of texts from 1 to 24 bytes long, so that it
// falls in the first, a middle and the overlapping last word of the copy
// eight bytes at a time, and in the bytes shorter texts go through.
TEST(WriteEscapedXml, EscapesEachByteWhereverItStands) {
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    std::string expected(1, c);
    for (const XmlEntity& entity : kXmlEntities) {
      if (entity.character[0] == c) expected = entity.replacement;
    }
    for (std::size_t size = 1; size <= 24; ++size) {
      for (std::size_t at = 0; at < size; ++at) {
        std::string text(size, 'a');
        text[at] = c;
        std::string out(size * kMaxEscapedBytesPerByte, '\0');
        out.resize(static_cast<std::size_t>(WriteEscapedXml(out.data(), text) - out.data()));
        ASSERT_EQ(out, std::string(at, 'a') + expected + std::string(size - at - 1, 'a'))
            << "byte " << byte << " at " << at << " of " << size;
      }
    }
  }
}

}  // namespace

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

}  // namespace

// The XML library as this build has it (Debian's libexpat natively, or its
// source compiled with cmake/expat/expat_config.h): what the MIDNAM reading
// relies on and the build decides, not what the reader configures.
#include <expat.h>
#include <gtest/gtest.h>

#include <string>

namespace {

struct Parsed {
  XML_Status status = XML_STATUS_ERROR;
  XML_Error error = XML_ERROR_NONE;
  std::string firstElement;
  std::string firstAttributeValue;
};

Parsed Parse(const std::string& document) {
  Parsed parsed;
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetUserData(parser, &parsed);
  XML_SetStartElementHandler(parser, [](void* data, const XML_Char* name, const XML_Char** atts) {
    auto& out = *static_cast<Parsed*>(data);
    if (!out.firstElement.empty()) return;
    out.firstElement = name;
    if (atts[0] != nullptr) out.firstAttributeValue = atts[1];
  });
  parsed.status = XML_Parse(parser, document.data(), static_cast<int>(document.size()), XML_TRUE);
  parsed.error = XML_GetErrorCode(parser);
  XML_ParserFree(parser);
  return parsed;
}

// Names reach the reader as UTF-8 whatever the document's encoding: a build
// with XML_UNICODE (wide XML_Char) would not even compile this.
TEST(XmlLibrary, ReadsUtf16IntoUtf8) {
  const std::u16string text =
      u"\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><d n=\"\u00e9\u20ac\"/>";
  std::string bytes;
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  const Parsed parsed = Parse(bytes);
  EXPECT_EQ(parsed.status, XML_STATUS_OK);
  EXPECT_EQ(parsed.firstElement, "d");
  EXPECT_EQ(parsed.firstAttributeValue, "\xC3\xA9\xE2\x82\xAC");
}

// Entity amplification is refused by the library (expat 2.4 and later, with
// XML_DTD), so the reader need not bound it itself.
TEST(XmlLibrary, RefusesTheBillionLaughs) {
  std::string document = "<!DOCTYPE d [<!ENTITY a0 \"lol\">";
  for (int level = 1; level <= 10; ++level) {
    const std::string previous = "&a" + std::to_string(level - 1) + ";";
    std::string value;
    for (int copy = 0; copy < 10; ++copy) value += previous;
    document += "<!ENTITY a" + std::to_string(level) + " \"" + value + "\">";
  }
  document += "]><d>&a10;</d>";
  const Parsed parsed = Parse(document);
  EXPECT_EQ(parsed.status, XML_STATUS_ERROR);
  EXPECT_EQ(parsed.error, XML_ERROR_AMPLIFICATION_LIMIT_BREACH);
}

}  // namespace

// The line rules of a Windows text-mode stream read into a 300-byte buffer.
#include "text_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "instrument_definition.h"
#include "memory_file_system.h"

namespace {

std::vector<std::string> LinesOf(LineReader& reader) {
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  return lines;
}

std::vector<std::string> Lines(std::string_view bytes) {
  LineReader reader(TextBeforeEndOfFileMark(bytes));
  return LinesOf(reader);
}

// The lines of `bytes` read through a buffer of `bufferBytes`.
std::vector<std::string> LinesInPieces(std::string_view bytes, std::size_t bufferBytes,
                                       std::size_t piece) {
  PieceSource source(bytes, piece);
  std::vector<char> buffer(bufferBytes);
  LineReader reader(source, buffer.data(), buffer.size());
  return LinesOf(reader);
}

struct LineCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
  friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
};

class LineRules : public testing::TestWithParam<LineCase> {};

TEST_P(LineRules, YieldTheTrimmedLines) {
  EXPECT_EQ(Lines(GetParam().bytes), GetParam().lines);
  EXPECT_EQ(LinesInPieces(GetParam().bytes, LineReader::kMinBufferBytes, 7), GetParam().lines);
}

// A file read through a small buffer gives the lines of the same file read
// whole, wherever the buffer's end falls: inside a CR LF, right before an LF
// that ends a 299-byte read, on a NUL, before a 0x1A.
TEST(LineReaderInPieces, GivesTheLinesOfTheWholeText) {
  std::mt19937 random(5);
  std::string text;
  const char* const ends[] = {"\n", "\r\n", "\r", "\r\r\n", ""};
  while (text.size() < 200000) {
    text.append(random() % 700, static_cast<char>('a' + random() % 26));
    if (random() % 50 == 0) text.push_back('\0');
    text += ends[random() % 5];
  }
  text += "\x1alost";
  const std::vector<std::string> whole = Lines(text);
  for (std::size_t bufferBytes :
       {LineReader::kMinBufferBytes, std::size_t{601}, std::size_t{997}, std::size_t{65536}}) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{300}, std::size_t{1} << 20}) {
      EXPECT_TRUE(LinesInPieces(text, bufferBytes, piece) == whole)
          << "buffer " << bufferBytes << ", pieces of " << piece;
    }
  }
}

const std::string k299(299, 'a');
const std::string k400(400, 'b');

INSTANTIATE_TEST_SUITE_P(
    TextMode, LineRules,
    testing::Values(
        LineCase{"LineFeed", "a\nb\n", {"a", "b"}}, LineCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
        LineCase{"SeveralLineEnds", "a\r\r\n\nb\r\n\r\n", {"a", "", "b", ""}},
        LineCase{"LoneCrDoesNotSplit", "a\rb\n", {"a\rb"}},
        LineCase{"LastLineWithoutLineFeed", "a\nlast", {"a", "last"}},
        LineCase{"EndOfFileMarkEndsInput", "a\nb\x1a\nc\n", {"a", "b"}},
        LineCase{"NulEndsTheLinesText", std::string("ab\0cd\nef\n", 9), {"ab", "ef"}},
        LineCase{"Trimmed", " \t\v\fa b \t\r\n", {"a b"}},
        LineCase{"HighBytesAreNotWhitespace", "\xa0x\xa0\n", {"\xa0x\xa0"}},
        LineCase{"LongLineSplitsAt299", k400 + "\n", {k400.substr(0, 299), k400.substr(299)}},
        LineCase{"Exactly299BytesAndLineFeedIsTwoReads", k299 + "\nz\n", {k299, "", "z"}},
        LineCase{
            "CrLfRightAfter298BytesIsOneRead", k299.substr(1) + "\r\nz\n", {k299.substr(1), "z"}},
        LineCase{"CrLfRightAfter299BytesIsTwoReads", k299 + "\r\nz\n", {k299, "", "z"}},
        LineCase{"LongLastLineWithoutLineFeed", k400, {k400.substr(0, 299), k400.substr(299)}},
        LineCase{"EmptyInput", "", {}}),
    [](const auto& param) { return std::string(param.param.name); });

struct NumberCase {
  const char* text;
  std::int32_t value;
  friend void PrintTo(const NumberCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class DecimalValues : public testing::TestWithParam<NumberCase> {};

TEST_P(DecimalValues, ParseLikeA32BitAccumulator) {
  EXPECT_EQ(DecimalValue(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, DecimalValues,
    testing::Values(NumberCase{"0", 0}, NumberCase{"127", 127}, NumberCase{"  \t42", 42},
                    NumberCase{"+7", 7}, NumberCase{"-9", -9}, NumberCase{"*", 0},
                    NumberCase{"", 0}, NumberCase{"-", 0}, NumberCase{"12ab3", 12},
                    NumberCase{"- 5", 0}, NumberCase{"4294967297", 1},
                    NumberCase{"2147483648", INT32_MIN}, NumberCase{"-2147483648", INT32_MIN},
                    NumberCase{"4294967295", -1}, NumberCase{"99999999999999999999", 1661992959}));

TEST(TrimWhitespace, TrimsInPlaceAndMovesTheTextToTheStart) {
  struct Case {
    const char* before;
    const char* after;
  };
  for (Case c : {Case{"  a b  ", "a b"}, Case{"\r\n\t", ""}, Case{"", ""}, Case{"x", "x"},
                 Case{"\v\fname\xff\n", "name\xff"}}) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s", c.before);
    TrimWhitespace(buffer);
    EXPECT_STREQ(buffer, c.after) << '"' << c.before << '"';
  }
}

}  // namespace

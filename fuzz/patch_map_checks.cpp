#include "patch_map_checks.h"

#include <cstdio>
#include <cstdlib>

void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

void Check(bool condition, const char* what) {
  if (!condition) Fail(what);
}

namespace {

// An attribute value may hold any byte but a raw <, >, " and an & that does
// not start an entity.
void CheckAttributeValue(std::string_view value) {
  for (std::size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    Check(c != '<' && c != '>' && c != '"', "raw < > or \" in a value");
    if (c != '&') continue;
    std::string_view rest = value.substr(i);
    Check(rest.starts_with("&amp;") || rest.starts_with("&lt;") || rest.starts_with("&gt;") ||
              rest.starts_with("&quot;"),
          "& that starts no entity");
  }
}

// Reads `name="value"` at the start of `line`; moves past it.
std::string_view TakeAttribute(std::string_view& line, std::string_view name) {
  Check(line.starts_with(name) && line.substr(name.size()).starts_with("=\""), "attribute name");
  line.remove_prefix(name.size() + 2);
  std::size_t quote = line.find('"');
  Check(quote != std::string_view::npos, "attribute closed");
  std::string_view value = line.substr(0, quote);
  line.remove_prefix(quote + 1);
  CheckAttributeValue(value);
  return value;
}

void TakeLiteral(std::string_view& line, std::string_view literal) {
  Check(line.starts_with(literal), "literal text of a line");
  line.remove_prefix(literal.size());
}

void CheckPatchLine(std::string_view line) {
  TakeLiteral(line, "<patch ");
  TakeAttribute(line, "family");
  TakeLiteral(line, " ");
  TakeAttribute(line, "bank");
  TakeLiteral(line, " ");
  TakeAttribute(line, "preset");
  TakeLiteral(line, " ");
  TakeAttribute(line, "name");
  Check(line == " />", "end of a patch line");
}

}  // namespace

void CheckPatchMap(std::string_view map, std::size_t patchCount) {
  constexpr std::string_view kHead = "<patchmap version=\"1.0\" device=\"";
  Check(map.starts_with(kHead), "header line");
  Check(map.ends_with("\r\n"), "last line ends in CR LF");
  std::size_t lineCount = 0;
  std::size_t patchLines = 0;
  for (std::size_t start = 0; start < map.size();) {
    std::size_t lineFeed = map.find('\n', start);
    Check(lineFeed != std::string_view::npos && lineFeed > start && map[lineFeed - 1] == '\r',
          "every line ends in CR LF");
    std::string_view line = map.substr(start, lineFeed - 1 - start);
    if (lineCount == 0) {
      Check(line.ends_with("\">"), "header line closed");
      CheckAttributeValue(line.substr(kHead.size(), line.size() - kHead.size() - 2));
    } else if (line != "</patchmap>") {
      CheckPatchLine(line);
      ++patchLines;
    }
    ++lineCount;
    start = lineFeed + 1;
  }
  Check(patchLines == patchCount, "one patch line per patch");
  Check(lineCount == patchCount + 2, "header, patches and closing line");
  Check(map.ends_with("\r\n</patchmap>\r\n"), "closing line last");
}

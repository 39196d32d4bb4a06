#include "source_format.h"

#include "text_lines.h"

namespace {

// Space, tab, VT, FF, CR, LF: the blanks of a REAPER line.
bool IsAsciiBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigits(std::string_view word) {
  if (word.empty()) return false;
  for (const char c : word) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The line's words, split at blanks: the first three.
bool BeginsWithBankLine(std::string_view line) {
  std::string_view words[3];
  std::size_t count = 0;
  for (std::size_t at = 0; at < line.size() && count < 3;) {
    while (at < line.size() && IsAsciiBlank(line[at])) ++at;
    const std::size_t start = at;
    while (at < line.size() && !IsAsciiBlank(line[at])) ++at;
    if (at > start) words[count++] = line.substr(start, at - start);
  }
  return count == 3 && words[0] == "Bank" && IsDigits(words[1]) && IsDigits(words[2]);
}

bool IsReabank(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = TrimmedView(text.substr(at, end - at));
    at = end + 1;
    if (line.empty() || line.starts_with("//")) continue;
    return BeginsWithBankLine(line);
  }
  return false;
}

bool IsUtf16Markup(std::string_view bytes) {
  return (bytes.starts_with("\xFF\xFE<") || bytes.starts_with("\xFE\xFF")) && bytes.size() >= 4 &&
         (bytes[2] == '<' || bytes[3] == '<');
}

}  // namespace

std::optional<SourceFormat> FormatNamed(std::string_view name) {
  if (name == "ins") return SourceFormat::kInstrumentDefinition;
  if (name == "midnam") return SourceFormat::kMidnam;
  if (name == "reabank") return SourceFormat::kReabank;
  return std::nullopt;
}

std::optional<SourceFormat> FormatOfExtension(std::string_view extension) {
  if (EqualsIgnoringCase(extension, ".ins")) return SourceFormat::kInstrumentDefinition;
  if (EqualsIgnoringCase(extension, ".midnam")) return SourceFormat::kMidnam;
  if (EqualsIgnoringCase(extension, ".reabank")) return SourceFormat::kReabank;
  return std::nullopt;
}

SourceFormat FormatOfContent(std::string_view bytes) {
  if (IsUtf16Markup(bytes)) return SourceFormat::kMidnam;
  std::string_view text = bytes;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::size_t markup = text.find_first_not_of(" \t\r\n");
  if (markup != std::string_view::npos && (text.substr(markup).starts_with("<?xml") ||
                                           text.substr(markup).starts_with("<MIDINameDocument"))) {
    return SourceFormat::kMidnam;
  }
  return IsReabank(text) ? SourceFormat::kReabank : SourceFormat::kInstrumentDefinition;
}

std::string_view FormatDescription(SourceFormat format) {
  switch (format) {
    case SourceFormat::kMidnam:
      return "a MIDNAM document";
    case SourceFormat::kReabank:
      return "a REAPER bank file";
    case SourceFormat::kInstrumentDefinition:
      break;
  }
  return "an instrument definition";
}

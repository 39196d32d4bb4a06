// The REAPER reading: "Bank MSB LSB NAME" lines begin banks, lines that begin
// with a program number name its patches; one instrument, named after the
// file. The text is UTF-8 where it is valid UTF-8, Windows-1252 otherwise.
#include "name_document.h"
#include "text_encoding.h"

namespace {

using enum FindingKind;

// Space, tab, LF, VT, FF, CR.
bool IsAsciiBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view TrimmedOfBlanks(std::string_view text) {
  while (!text.empty() && IsAsciiBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsAsciiBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The first word of `text` and the rest after it.
std::string_view TakeWord(std::string_view& text) {
  text = TrimmedOfBlanks(text);
  std::size_t end = 0;
  while (end < text.size() && !IsAsciiBlank(text[end])) ++end;
  const std::string_view word = text.substr(0, end);
  text.remove_prefix(end);
  return word;
}

// ASCII digits, as a number; values past 127 are all one to the reading.
std::optional<int> DigitsValue(std::string_view word) {
  if (word.empty()) return std::nullopt;
  int value = 0;
  for (const char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    value = std::min(value * 10 + (c - '0'), 1000);
  }
  return value;
}

class ReabankReading {
 public:
  ReabankReading(NamedInstrument& instrument, std::string name, Findings& findings)
      : instrument_(instrument),
        map_(instrument, std::move(name), 0, findings),
        findings_(findings) {}

  void ReadLine(std::string_view line, std::size_t number) {
    line = TrimmedOfBlanks(line);
    if (line.empty() || line.starts_with("//")) return;
    std::string_view rest = line;
    const std::string_view first = TakeWord(rest);
    if (first == "Bank") {
      ReadBankLine(line, rest, number);
    } else if (DigitsValue(first)) {
      ReadProgramLine(*DigitsValue(first), rest, number);
    }
  }

 private:
  void ReadBankLine(std::string_view line, std::string_view rest, std::size_t number) {
    const std::optional<int> msb = DigitsValue(TakeWord(rest));
    const std::optional<int> lsb = DigitsValue(TakeWord(rest));
    NamedBank& bank = instrument_.banks.emplace_back();
    bank.name = CleanedName(TrimmedOfBlanks(rest));
    bank.listName = line.substr(0, line.size() - rest.size());
    inBank_ = true;
    bankIsGood_ = msb && lsb && *msb <= 127 && *lsb <= 127;
    if (!bankIsGood_) {
      findings_.Add(kBadBankLine, number, {std::string(line)});
      return;
    }
    msb_ = *msb;
    lsb_ = *lsb;
  }

  void ReadProgramLine(int program, std::string_view rest, std::size_t number) {
    const std::string name = CleanedName(TrimmedOfBlanks(rest));
    if (name.empty()) return;  // no patch
    if (!inBank_) {
      findings_.Add(kProgramBeforeBank, number, {std::to_string(program)});
      return;
    }
    NamedBank& bank = instrument_.banks.back();
    if (!bankIsGood_) {
      ++bank.leftOut;
    } else if (program > 127) {
      findings_.Add(kProgramOutOfRange, number, {std::to_string(program)});
      ++bank.leftOut;
    } else {
      ++(map_.Add(msb_, lsb_, program, name, number) ? bank.patches : bank.leftOut);
    }
  }

  NamedInstrument& instrument_;
  NamedMapMaker map_;
  Findings& findings_;
  bool inBank_ = false;
  bool bankIsGood_ = false;
  int msb_ = 0;
  int lsb_ = 0;
};

}  // namespace

LoadResult ReadReabank(InstrumentSource& source, std::string_view instrumentName,
                       NameDocument& document) {
  std::string bytes;
  if (LoadResult read = source.ReadWhole(bytes); !read.Succeeded()) return read;
  std::string text = Utf8FromText(bytes);
  bytes = std::string();
  if (std::string_view(text).starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  document.format = SourceFormat::kReabank;
  Findings findings;
  ReabankReading reading(document.instruments.emplace_back(),
                         CleanedName(Utf8FromText(instrumentName)), findings);
  std::size_t number = 1;
  for (std::size_t at = 0; at <= text.size(); ++number) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    reading.ReadLine(std::string_view(text).substr(at, end - at), number);
    at = end + 1;
  }
  document.findings = std::move(findings).InLineOrder();
  return {};
}

#include "reference_conversion.h"

#include <cstdio>
#include <cstring>

namespace {

// A text-mode input stream over raw bytes: CR LF reads as LF, 0x1A ends it.
class TextModeStream {
 public:
  explicit TextModeStream(std::string_view bytes) : bytes_(bytes) {}

  void Rewind() { position_ = 0; }

  // The next character, or -1 at the end of the input.
  int Get() {
    if (position_ >= bytes_.size() || bytes_[position_] == '\x1a') return -1;
    char c = bytes_[position_++];
    if (c == '\r' && position_ < bytes_.size() && bytes_[position_] == '\n') {
      ++position_;
      c = '\n';
    }
    return static_cast<unsigned char>(c);
  }

  // fgets into a buffer of `size` bytes: false when nothing could be read.
  bool ReadLine(char* buffer, int size) {
    int used = 0;
    while (used < size - 1) {
      int c = Get();
      if (c < 0) break;
      buffer[used++] = static_cast<char>(c);
      if (c == '\n') break;
    }
    buffer[used] = '\0';
    return used > 0;
  }

 private:
  std::string_view bytes_;
  std::size_t position_ = 0;
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void Trim(char* text) {
  char* start = text;
  while (*start != '\0' && IsSpace(*start)) ++start;
  std::memmove(text, start, std::strlen(start) + 1);
  std::size_t length = std::strlen(text);
  while (length > 0 && IsSpace(text[length - 1])) text[--length] = '\0';
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(const char* a, const char* b) {
  while (*a != '\0' && Lower(*a) == Lower(*b)) ++a, ++b;
  return Lower(*a) == Lower(*b);
}

bool PrefixIgnoringCase(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    if (*text == '\0' || Lower(*text) != Lower(*prefix)) return false;
  }
  return true;
}

std::int32_t Decimal(const char* text) {
  while (IsSpace(*text)) ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  std::uint32_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + unsigned(*text - '0');
  return static_cast<std::int32_t>(negative ? 0u - value : value);
}

// Reads the next line as both passes see it: end characters removed,
// trimmed; false at the end of the input. Blank lines and comments are
// skipped here.
bool NextLine(TextModeStream& stream, char (&line)[300]) {
  while (stream.ReadLine(line, sizeof line)) {
    std::size_t length = std::strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) {
      line[--length] = '\0';
    }
    Trim(line);
    if (line[0] != '\0' && line[0] != ';') return true;
  }
  return false;
}

// Cuts "key=value" in place; nullptr when the line holds no "=".
char* SplitAtEquals(char* line) {
  char* equals = std::strchr(line, '=');
  if (equals == nullptr) return nullptr;
  *equals = '\0';
  Trim(line);
  Trim(equals + 1);
  return equals + 1;
}

void ReadBanks(TextModeStream& stream, ReferenceInstrument& instrument) {
  char line[300];
  stream.Rewind();
  while (NextLine(stream, line)) {
    if (line[0] == '.') continue;
    if (line[0] == '[') {
      char* text = line + 1;
      std::size_t length = std::strlen(text);
      if (length > 0 && text[length - 1] == ']') text[length - 1] = '\0';
      Trim(text);
      instrument.deviceName = text;
      continue;
    }
    char* value = SplitAtEquals(line);
    if (value == nullptr) continue;
    if (SameIgnoringCase(line, "BankSelMethod")) {
      instrument.bankSelMethod = Decimal(value);
    } else if (PrefixIgnoringCase(line, "Patch")) {
      char* rest = line + 5;
      Trim(rest);
      if (rest[0] != '[') continue;
      ++rest;
      std::size_t length = std::strlen(rest);
      if (length == 0 || rest[length - 1] != ']') continue;
      rest[length - 1] = '\0';
      Trim(rest);
      instrument.banks.push_back({Decimal(rest), value, {}});
    }
  }
}

void ReadPatches(TextModeStream& stream, ReferenceInstrument& instrument) {
  char line[300];
  ReferenceBank* current = nullptr;
  stream.Rewind();
  while (NextLine(stream, line)) {
    if (line[0] == '.') continue;
    if (line[0] == '[') {
      char* text = line + 1;
      Trim(text);
      std::size_t length = std::strlen(text);
      if (length > 0 && text[length - 1] == ']') {
        text[length - 1] = '\0';
        Trim(text);
      }
      current = nullptr;
      for (ReferenceBank& bank : instrument.banks) {
        if (SameIgnoringCase(bank.patchListName.c_str(), text)) {
          current = &bank;
          break;
        }
      }
      continue;
    }
    if (current == nullptr) continue;
    char* value = SplitAtEquals(line);
    if (value == nullptr) continue;
    std::int32_t program = Decimal(line);
    current->patches.push_back({program, program / 8, std::string(value).substr(0, 131)});
  }
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::int32_t BankValue(std::int32_t method, std::int32_t number) {
  if (method == 0 || method == 2 || method == 3) return number;
  if (method == 1) return static_cast<std::int32_t>(static_cast<std::uint32_t>(number) * 128u);
  return 0;
}

}  // namespace

int ReferenceLoad(std::string_view bytes, ReferenceInstrument& instrument) {
  TextModeStream stream(bytes);
  ReadBanks(stream, instrument);
  if (instrument.banks.empty()) return -1;
  ReadPatches(stream, instrument);
  return 0;
}

std::string ReferencePatchMap(const ReferenceInstrument& instrument) {
  std::string out =
      "<patchmap version=\"1.0\" device=\"" + Escaped(instrument.deviceName) + "\">\r\n";
  for (const ReferenceBank& bank : instrument.banks) {
    std::int32_t value = BankValue(instrument.bankSelMethod, bank.bankNumber);
    for (const ReferencePatch& patch : bank.patches) {
      char numbers[96];
      std::snprintf(numbers, sizeof numbers,
                    "<patch family=\"%d\" bank=\"%d.%d\" preset=\"%d\" name=\"", patch.family,
                    (value >> 7) & 127, value & 127, patch.program);
      out += numbers + Escaped(patch.name) + "\" />\r\n";
    }
  }
  return out + "</patchmap>\r\n";
}

// Formats an instrument definition as a patch map: a header line, one line
// per patch and a closing line, each ended with CR LF on every platform.
// The lines are formatted straight into a fixed buffer that goes to the sink
// in large pieces; a patch map has millions of lines, so each byte counts.
#include <charconv>
#include <cstring>

#include "byte_sink.h"
#include "instrument_definition.h"
#include "xml_escape.h"

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
// The longest line: fixed text, four numbers and a 299-byte device name with
// every byte escaped.
constexpr std::size_t kMaxLineBytes = 128 + 299 * kMaxEscapedBytesPerByte;

template <std::size_t N>
char* Put(char* out, const char (&literal)[N]) {
  std::memcpy(out, literal, N - 1);
  return out + N - 1;
}

// Two decimal digits for each value below 100.
constexpr struct DigitPairs {
  char digits[200];
  constexpr DigitPairs() : digits() {
    for (int i = 0; i < 100; ++i) {
      digits[2 * i] = static_cast<char>('0' + i / 10);
      digits[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
} kDigitPairs;

// Family and program numbers are nearly always below 100.
char* PutDecimal(char* out, std::int32_t value) {
  if (value >= 0 && value < 10) {
    *out = static_cast<char>('0' + value);
    return out + 1;
  }
  if (value >= 10 && value < 100) {
    std::memcpy(out, kDigitPairs.digits + 2 * value, 2);
    return out + 2;
  }
  return std::to_chars(out, out + 11, value).ptr;
}

// The "high.low" bank attribute of a bank value, its two 7-bit parts; made
// once per bank.
struct BankAttribute {
  explicit BankAttribute(std::int32_t bankValue) {
    std::uint32_t bits = static_cast<std::uint32_t>(bankValue);
    char* end = PutDecimal(text, static_cast<std::int32_t>((bits >> 7) & 127u));
    *end++ = '.';
    end = PutDecimal(end, static_cast<std::int32_t>(bits & 127u));
    size = static_cast<std::size_t>(end - text);
  }
  char text[8] = {};  // at most "127.127"
  std::size_t size;
};

// The text of a zero-terminated field; a field without its zero ends at its
// size.
template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
  const void* zero = std::memchr(field, '\0', N);
  return zero != nullptr ? std::string_view(field, static_cast<const char*>(zero))
                         : std::string_view(field, N);
}

char* PutPatchLine(char* out, const PatchEntry& patch, const BankAttribute& bank) {
  out = Put(out, "<patch family=\"");
  out = PutDecimal(out, patch.family);
  out = Put(out, "\" bank=\"");
  std::memcpy(out, bank.text, sizeof bank.text);  // whole, then only its length counts
  out += bank.size;
  out = Put(out, "\" preset=\"");
  out = PutDecimal(out, patch.program);
  out = Put(out, "\" name=\"");
  out = WriteEscapedXml(out, FieldText(patch.name));
  return Put(out, "\" />\r\n");
}

// Collects lines in a buffer of the caller's and hands them to the sink in
// large pieces.
class PatchMapBuffer {
 public:
  PatchMapBuffer(ByteSink& sink, char* buffer) : sink_(sink), buffer_(buffer), end_(buffer) {}

  // Where the next line goes, with room for the longest line; nullptr once
  // the sink has refused bytes.
  char* LineStart() {
    if (static_cast<std::size_t>(end_ - buffer_) > kBufferBytes - kMaxLineBytes && !Flush()) {
      return nullptr;
    }
    return end_;
  }
  void LineEnd(char* end) { end_ = end; }

  bool Flush() {
    const std::size_t size = static_cast<std::size_t>(end_ - buffer_);
    end_ = buffer_;
    return sink_.Write(std::string_view(buffer_, size));
  }

 private:
  ByteSink& sink_;
  char* buffer_;
  char* end_;
};

bool WritePatchLines(PatchMapBuffer& out, const PatchBank& bank, std::int32_t bankSelMethod) {
  const BankAttribute bankAttribute(MakeBankValue(bankSelMethod, bank.bankNumber));
  for (const PatchEntry* patch = bank.patches; patch != nullptr; patch = patch->next) {
    char* line = out.LineStart();
    if (line == nullptr) return false;
    out.LineEnd(PutPatchLine(line, *patch, bankAttribute));
  }
  return true;
}

}  // namespace

std::int32_t MakeBankValue(std::int32_t bankSelMethod, std::int32_t bankNumber) {
  switch (bankSelMethod) {
    case 0:
    case 2:
    case 3:
      return bankNumber;
    case 1:  // the number is the bank's high part; shifted unsigned so it wraps
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(bankNumber) << 7);
    default:
      return 0;
  }
}

// The buffer is on the stack: writing allocates nothing, so it cannot run out
// of memory halfway through a file.
int InstrumentDefinition::WritePatchMap(ByteSink& sink) const {
  char buffer[kBufferBytes];
  PatchMapBuffer out(sink, buffer);
  char* line = out.LineStart();
  line = Put(line, "<patchmap version=\"1.0\" device=\"");
  line = WriteEscapedXml(line, FieldText(deviceName));
  out.LineEnd(Put(line, "\">\r\n"));
  for (const PatchBank* bank = banks; bank != nullptr; bank = bank->next) {
    if (!WritePatchLines(out, *bank, bankSelMethod)) return -1;
  }
  line = out.LineStart();
  if (line == nullptr) return -1;
  out.LineEnd(Put(line, "</patchmap>\r\n"));
  return out.Flush() ? 0 : -1;
}

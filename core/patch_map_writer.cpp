#include "patch_map_writer.h"

#include <charconv>
#include <cstring>

#include "byte_sink.h"
#include "instrument_definition.h"

namespace {

template <std::size_t N>
char* AppendLiteral(char* out, const char (&literal)[N]) {
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

// The text of a zero-terminated field; a field without its zero ends at its
// size.
template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
  const void* zero = std::memchr(field, '\0', N);
  // Pointer and length: emscripten's libc++ makes no view of two pointers.
  return std::string_view(
      field,
      zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : N);
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

char* PatchMapWriter::LineStart() {
  if (static_cast<std::size_t>(end_ - buffer_) > kBufferBytes - kMaxLineBytes) Flush();
  return refused_.Failed() ? nullptr : end_;
}

void PatchMapWriter::Flush() {
  const std::size_t size = static_cast<std::size_t>(end_ - buffer_);
  end_ = buffer_;
  if (!refused_.Failed()) refused_ = sink_.Write(std::string_view(buffer_, size));
}

// Ends the line begun at `out` with `text` escaped and `close`.
template <std::size_t N>
void PatchMapWriter::EndLine(char* out, std::string_view text, const char (&close)[N]) {
  end_ = AppendLiteral(WriteEscapedXml(out, text.substr(0, 299)), close);
}

void PatchMapWriter::WriteHeader(std::string_view deviceName) {
  char* line = LineStart();
  if (line == nullptr) return;
  EndLine(AppendLiteral(line, "<patchmap version=\"1.0\" device=\""), deviceName, "\">\r\n");
}

// The bank attribute is made once per bank.
void PatchMapWriter::BeginBank(std::int32_t bankValue) {
  bankValue_ = bankValue;
  const auto bits = static_cast<std::uint32_t>(bankValue);
  char* end = PutDecimal(bank_, static_cast<std::int32_t>((bits >> 7) & 127u));
  *end++ = '.';
  end = PutDecimal(end, static_cast<std::int32_t>(bits & 127u));
  bankSize_ = static_cast<std::size_t>(end - bank_);
}

void PatchMapWriter::WritePatch(std::int32_t family, std::int32_t program, std::string_view name) {
  char* out = LineStart();
  if (out == nullptr) return;
  if (observer_ != nullptr) observer_->Patch(bankValue_, family, program, name.substr(0, 299));
  out = AppendLiteral(out, "<patch family=\"");
  out = PutDecimal(out, family);
  out = AppendLiteral(out, "\" bank=\"");
  std::memcpy(out, bank_, sizeof bank_);  // whole, then only its length counts
  out += bankSize_;
  out = AppendLiteral(out, "\" preset=\"");
  out = PutDecimal(out, program);
  EndLine(AppendLiteral(out, "\" name=\""), name, "\" />\r\n");
}

SystemError PatchMapWriter::WriteEnd() {
  char* line = LineStart();
  if (line == nullptr) return refused_;
  end_ = AppendLiteral(line, "</patchmap>\r\n");
  Flush();
  return refused_;
}

// A map has millions of lines: the per-line calls are inlined into this loop.
[[gnu::flatten]] SystemError WritePatchMapOf(const InstrumentDefinition& instrument, ByteSink& sink,
                                             PatchObserver* observer) {
  PatchMapWriter out(sink, observer);
  out.WriteHeader(FieldText(instrument.deviceName));
  for (const PatchBank* bank = instrument.banks; bank != nullptr; bank = bank->next) {
    out.BeginBank(MakeBankValue(instrument.bankSelMethod, bank->bankNumber));
    for (const PatchEntry* patch = bank->patches; patch != nullptr; patch = patch->next) {
      out.WritePatch(patch->family, patch->program, FieldText(patch->name));
    }
  }
  return out.WriteEnd();
}

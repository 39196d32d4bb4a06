#include "patch_map_writer.h"

#include <cstring>

#include "byte_sink.h"
#include "instrument_definition.h"

namespace {

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

void PatchMapWriter::Flush() {
  const std::size_t size = static_cast<std::size_t>(end_ - buffer_);
  if (!refused_.Failed()) refused_ = sink_.Write(std::string_view(buffer_, size));
  end_ = refused_.Failed() ? buffer_ + kBufferBytes : buffer_;
}

char* PatchMapWriter::FlushForLine() {
  Flush();
  return refused_.Failed() ? nullptr : end_;
}

void PatchMapWriter::WriteHeader(std::string_view deviceName) {
  char* line = LineStart();
  if (line == nullptr) return;
  EndLine(patch_map_text::AppendLiteral(line, "<patchmap version=\"1.0\" device=\""), deviceName,
          "\">\r\n");
}

// The bank attribute is made once per bank.
void PatchMapWriter::BeginBank(std::int32_t bankValue) {
  bankValue_ = bankValue;
  const auto bits = static_cast<std::uint32_t>(bankValue);
  using patch_map_text::AppendLiteral;
  using patch_map_text::PutDecimal;
  char* end = AppendLiteral(bankText_, "\" bank=\"");
  end = PutDecimal(end, static_cast<std::int32_t>((bits >> 7) & 127u));
  *end++ = '.';
  end = PutDecimal(end, static_cast<std::int32_t>(bits & 127u));
  end = AppendLiteral(end, "\" preset=\"");
  bankTextSize_ = static_cast<std::size_t>(end - bankText_);
}

SystemError PatchMapWriter::WriteEnd() {
  char* line = LineStart();
  if (line == nullptr) return refused_;
  end_ = patch_map_text::AppendLiteral(line, "</patchmap>\r\n");
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

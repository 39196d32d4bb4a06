// Formats an instrument definition as a patch map: a header line, one line
// per patch and a closing line, each ended with CR LF on every platform.
#include <charconv>
#include <string>

#include "byte_sink.h"
#include "instrument_definition.h"
#include "xml_escape.h"

namespace {

constexpr std::size_t kFlushThreshold = 64 * 1024;

void AppendDecimal(std::string& out, std::int32_t value) {
  char digits[16];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

// The "high.low" bank attribute of a bank value: its two 7-bit parts.
std::string BankAttribute(std::int32_t bankValue) {
  std::uint32_t bits = static_cast<std::uint32_t>(bankValue);
  std::string attribute;
  AppendDecimal(attribute, static_cast<std::int32_t>((bits >> 7) & 127u));
  attribute += '.';
  AppendDecimal(attribute, static_cast<std::int32_t>(bits & 127u));
  return attribute;
}

// Collects output lines and hands them to the sink in large pieces.
class PatchMapBuffer {
 public:
  explicit PatchMapBuffer(ByteSink& sink) : sink_(sink) { text_.reserve(kFlushThreshold + 1024); }

  void Append(std::string_view bytes) { text_.append(bytes); }
  void AppendEscaped(std::string_view bytes) { AppendEscapedXml(text_, bytes); }
  void AppendNumber(std::int32_t value) { AppendDecimal(text_, value); }

  // Ends a line; false once the sink has refused bytes.
  bool EndLine() {
    text_.append("\r\n");
    return text_.size() < kFlushThreshold || Flush();
  }

  bool Flush() {
    bool written = sink_.Write(text_);
    text_.clear();
    return written;
  }

 private:
  ByteSink& sink_;
  std::string text_;
};

bool WritePatchLines(PatchMapBuffer& out, const PatchBank& bank, std::int32_t bankSelMethod) {
  const std::string bankAttribute = BankAttribute(MakeBankValue(bankSelMethod, bank.bankNumber));
  for (const PatchEntry* patch = bank.patches; patch != nullptr; patch = patch->next) {
    out.Append("<patch family=\"");
    out.AppendNumber(patch->family);
    out.Append("\" bank=\"");
    out.Append(bankAttribute);
    out.Append("\" preset=\"");
    out.AppendNumber(patch->program);
    out.Append("\" name=\"");
    out.AppendEscaped(patch->name);
    out.Append("\" />");
    if (!out.EndLine()) return false;
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

int InstrumentDefinition::WritePatchMap(ByteSink& sink) const {
  PatchMapBuffer out(sink);
  out.Append("<patchmap version=\"1.0\" device=\"");
  out.AppendEscaped(deviceName);
  out.Append("\">");
  if (!out.EndLine()) return -1;
  for (const PatchBank* bank = banks; bank != nullptr; bank = bank->next) {
    if (!WritePatchLines(out, *bank, bankSelMethod)) return -1;
  }
  out.Append("</patchmap>");
  if (!out.EndLine()) return -1;
  return out.Flush() ? 0 : -1;
}

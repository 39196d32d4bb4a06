#include "name_document.h"

#include "patch_map_writer.h"
#include "text_encoding.h"
#include "text_lines.h"

namespace {

constexpr std::size_t kDeviceNameBytes = 299;
constexpr std::size_t kNameBytes = 131;

bool IsXmlBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The first `count` characters of UTF-8 `text`: those that become its first
// bytes in Windows-1252, one a character.
std::string_view FirstCharacters(std::string_view text, std::size_t count) {
  std::size_t end = 0;
  for (; count > 0 && end < text.size(); --count) {
    end += std::max<std::size_t>(Utf8SequenceLength(text, end), 1);
  }
  return text.substr(0, end);
}

// The name in Windows-1252, cut to `limit`; what cannot be kept is a finding.
std::string Encoded(std::string_view name, std::size_t limit, std::size_t line,
                    Findings& findings) {
  std::size_t replaced = 0;
  std::string bytes = Windows1252FromUtf8(name, replaced);
  if (replaced > 0) findings.Add(FindingKind::kNotInWindows1252, line, {std::string(name)});
  if (bytes.size() > limit) {
    bytes.resize(limit);
    if (limit == kNameBytes) {
      findings.Add(FindingKind::kCutName, line, {std::string(FirstCharacters(name, limit))});
    }
  }
  return bytes;
}

}  // namespace

std::string CleanedName(std::string_view utf8) {
  std::string cleaned(utf8);
  for (char& c : cleaned) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  std::size_t begin = 0, end = cleaned.size();
  while (begin < end && IsXmlBlank(cleaned[begin])) ++begin;
  while (end > begin && IsXmlBlank(cleaned[end - 1])) --end;
  return cleaned.substr(begin, end - begin);
}

std::size_t NameDocument::Find(std::string_view name) const {
  const std::string_view wanted = TrimmedView(name);
  for (std::size_t i = 0; i < instruments.size(); ++i) {
    if (EqualsIgnoringCase(instruments[i].name, wanted)) return i;
  }
  return kNone;
}

NamedMapMaker::NamedMapMaker(NamedInstrument& instrument, std::string name, std::size_t line,
                             Findings& findings)
    : instrument_(instrument), findings_(findings) {
  instrument_.deviceName = Encoded(name, kDeviceNameBytes, line, findings_);
  instrument_.name = std::move(name);
}

bool NamedMapMaker::Add(int msb, int lsb, int program, std::string_view name, std::size_t line) {
  const std::int32_t bankValue = msb * 128 + lsb;
  if (!places_.insert(std::int64_t{bankValue} * 256 + program).second) {
    findings_.Add(FindingKind::kSamePatchPlace, line,
                  {instrument_.name, std::string(name),
                   std::to_string(msb) + "." + std::to_string(lsb), std::to_string(program)});
    return false;
  }
  instrument_.patches.push_back({bankValue, program, Encoded(name, kNameBytes, line, findings_)});
  return true;
}

SystemError NamedInstrumentMap::WriteTo(ByteSink& sink, PatchObserver* observer) {
  PatchMapWriter out(sink, observer);
  out.WriteHeader(instrument_.deviceName);
  std::int32_t bank = -1;
  for (const NamedPatch& patch : instrument_.patches) {
    if (patch.bankValue != bank) out.BeginBank(bank = patch.bankValue);
    out.WritePatch(patch.program / 8, patch.program, patch.name);
  }
  return out.WriteEnd();
}

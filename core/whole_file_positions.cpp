#include "whole_file_positions.h"

#include "instrument_definition.h"
#include "name_index.h"
#include "patch_map_writer.h"

void WholeFilePositions::HeaderAt(Text name, std::uint64_t begin, std::uint64_t next) {
  headers_.push_back({headerNames_.size(), name.size(), begin, next});
  headerNames_.append(name);
}

void WholeFilePositions::Method(Text value, Line) {
  method_ = DecimalValue(value);
}

void WholeFilePositions::BankKey(Text numberText, Text listName, Line) {
  const std::string_view name = listName.substr(0, 299);
  banks_.push_back(
      {DecimalValue(numberText), static_cast<std::uint16_t>(name.size()), bankNames_.size(), 0});
  bankNames_.append(name);
}

// As the patch pass hangs the lines under a header on the first bank of its
// list, until the next header.
std::vector<std::size_t> WholeFilePositions::BankOfEachHeader() const {
  NameIndex firstBankOfList;
  for (std::size_t bank = 0; bank < banks_.size(); ++bank) {
    firstBankOfList.Add(listName(banks_[bank]), bank);
  }
  std::vector<std::size_t> bankOf(headers_.size());
  for (std::size_t at = 0; at < headers_.size(); ++at) {
    const HeaderPlace& header = headers_[at];
    bankOf[at] =
        firstBankOfList.Find(std::string_view(headerNames_).substr(header.name, header.length));
  }
  return bankOf;
}

// Each header's range goes to its bank, the banks' ranges one after another
// (a counting sort, so that a bank's ranges stay in file order).
void WholeFilePositions::EndBankPass(std::uint64_t end) {
  const std::vector<std::size_t> bankOf = BankOfEachHeader();
  const auto rangeEnd = [&](std::size_t at) {
    return at + 1 < headers_.size() ? headers_[at + 1].begin : end;
  };
  const auto hasRange = [&](std::size_t at) {
    return bankOf[at] != NameIndex::kNone && rangeEnd(at) > headers_[at].next;
  };
  std::vector<std::size_t> next(banks_.size() + 1);  // where each bank's next range goes
  for (std::size_t at = 0; at < headers_.size(); ++at) {
    if (hasRange(at)) ++next[bankOf[at] + 1];
  }
  for (std::size_t bank = 0; bank < banks_.size(); ++bank) {
    next[bank + 1] += next[bank];
    banks_[bank].rangesEnd = next[bank + 1];
  }
  ranges_.resize(next.back());
  for (std::size_t at = 0; at < headers_.size(); ++at) {
    if (hasRange(at)) ranges_[next[bankOf[at]]++] = {headers_[at].next, rangeEnd(at)};
  }
}

// The last header of the file, as the device name field keeps it.
std::string_view WholeFilePositions::deviceName() const {
  if (headers_.empty()) return {};
  const HeaderPlace& last = headers_.back();
  return std::string_view(headerNames_).substr(last.name, std::min<std::size_t>(last.length, 299));
}

namespace {

// A patch line's program (DecimalValue of its key) and name (its value), as
// SplitKeyValue gives them; false for a line that the patch pass passes over.
// Nearly every line is "digits=name", read here in one go.
bool ProgramAndName(std::string_view line, std::int32_t& program, std::string_view& name) {
  std::uint32_t value = 0;
  std::size_t at = 0;
  for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at) {
    value = value * 10u + static_cast<std::uint32_t>(line[at] - '0');
  }
  if (at > 0 && at < line.size() && line[at] == '=') {
    program = static_cast<std::int32_t>(value);
    name = WithoutLeadingWhitespace(line.substr(at + 1));
    return true;
  }
  std::string_view key;
  if (IsIgnorable(line) || IsSectionMarker(line) || !SplitKeyValue(line, key, name)) return false;
  program = DecimalValue(key);
  return true;
}

// The patch lines of one range, as the patch pass takes them.
SystemError WriteRange(LineReader lines, PatchMapWriter& out) {
  std::string_view line, name;
  std::int32_t program = 0;
  while (lines.Next(line)) {
    if (!ProgramAndName(line, program, name)) continue;
    out.WritePatch(program / 8, program, name.substr(0, kPatchNameBytes));
  }
  return lines.error();
}

}  // namespace

// A map has millions of lines: the per-line calls are inlined into the loops.
[[gnu::flatten]] SystemError PositionedMap::WriteTo(ByteSink& sink, PatchObserver* observer) {
  PatchMapWriter out(sink, observer);
  out.WriteHeader(positions_.deviceName());
  const std::vector<WholeFilePositions::Range>& ranges = positions_.ranges();
  std::size_t next = 0;
  for (const WholeFilePositions::Bank& bank : positions_.banks()) {
    out.BeginBank(MakeBankValue(positions_.method(), bank.number));
    for (; next < bank.rangesEnd; ++next) {
      if (const SystemError error =
              WriteRange(source_.Range(ranges[next].begin, ranges[next].end), out);
          error.Failed()) {
        return error;
      }
    }
  }
  return out.WriteEnd();
}

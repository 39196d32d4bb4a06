#include "findings.h"

#include <algorithm>

namespace {

using enum FindingKind;

// Every kind of finding, in the order of FindingKind.
constexpr FindingRow kFindingRows[] = {
    {kNoBank, "there is no bank key (Patch[n]=LIST) at all: the file is not converted",
     "WholeFileCheck::FindingsWithoutBank", kNoBank},
    {kMerged,
     "{count} instruments are merged into one map: {names}; convert one of them with "
     "--instrument NAME",
     "WholeFileCheck::CheckInstruments", kMerged},
    {kEmptyDeviceName, "the map's device name is empty: the file has no header",
     "WholeFileCheck::CheckDeviceName", kEmptyDeviceName},
    {kDeviceNotInstrument,
     "the map's device name \"{name}\" comes from this header, the last of the file, which names "
     "no instrument",
     "WholeFileCheck::CheckDeviceName", kEmptyDeviceName},
    {kMissingList, "bank {bank} names the list \"{list}\", which never appears: it stays empty",
     "WholeFileCheck::CheckBankList", kMissingList},
    {kSharedList,
     "bank {bank} names the list \"{list}\", as an earlier bank does: only that one gets its "
     "patches",
     "WholeFileCheck::CheckBankList", kSharedList},
    {kBuiltInList,
     "bank {bank} names the list \"{list}\", which is built in: it stays empty here; --instrument "
     "numbers its {count} programs",
     "WholeFileCheck::CheckBankList", kBuiltInList},
    {kInheritedList,
     "bank {bank} names the list \"{list}\", which is built on \"{base}\": here it holds only its "
     "own lines, {own} of the {count} programs it has with what it inherits (see --instrument)",
     "WholeFileCheck::CheckBankList", kInheritedList},
    {kStrayPatch,
     "\"{key}={value}\" under [{header}] becomes a patch at program {program} named \"{name}\"",
     "WholeFileCheck::PatchLine", kStrayPatch},
    {kCutName, "the patch name is cut to its first 131 bytes: \"{name}\"",
     "WholeFileCheck::PatchLine", kCutName},
    {kSplitLine,
     "this line is longer than one read of 299 bytes: the rest is read as a line of its own",
     "WholeFileCheck::Read", kSplitLine},
    {kProgramRange, "program {program} is outside 0-127, which MIDI can select",
     "WholeFileCheck::PatchLine", kProgramRange},
    {kBankRange,
     "bank {bank} with BankSelMethod {method} gives the bank value {value}, outside 0-16383, "
     "which two 7-bit parts cannot hold",
     "WholeFileCheck::CheckBankValue", kBankRange},
    {kNameControlByte,
     "the patch name holds the control byte {byte}, which makes the map not well-formed XML",
     "WholeFileCheck::PatchLine", kNameControlByte},
    {kDeviceControlByte,
     "the device name holds the control byte {byte}, which makes the map not well-formed XML",
     "WholeFileCheck::CheckDeviceName", kNameControlByte},
    {kListNotFound,
     "[{instrument}] bank \"{bank}\" uses the list \"{list}\", which the file does not have: it "
     "has no patch",
     "ReadBank (midnam_reading.cpp)", kListNotFound},
    {kBankSelectedOtherwise,
     "[{instrument}] bank \"{bank}\" is selected by a program change or SysEx, which a patch map "
     "cannot hold: {count} of its patches are left out",
     "ReadBank (midnam_reading.cpp)", kBankSelectedOtherwise},
    {kBankValue,
     "[{instrument}] patch \"{name}\" selects the bank's {part} with \"{value}\", which is no "
     "number 0-127: it is left out",
     "ReadPatch (midnam_reading.cpp)", kBankValue},
    {kNoProgram, "[{instrument}] patch \"{name}\" has no program 0-127: it is left out",
     "ReadPatch (midnam_reading.cpp)", kNoProgram},
    {kSamePatchPlace,
     "[{instrument}] patch \"{name}\" is at bank {bank}, program {program}, where an earlier patch "
     "is: it is left out",
     "NamedMap::Add (name_document.cpp)", kSamePatchPlace},
    {kNotInWindows1252,
     "the name \"{name}\" holds characters that Windows-1252 does not have: each is written as "
     "\"?\"",
     "NamedMap::Add (name_document.cpp)", kNotInWindows1252},
    {kBadBankLine, "\"{line}\" selects no bank of two numbers 0-127: its programs are left out",
     "ReadBankLine (reabank_reading.cpp)", kBadBankLine},
    {kProgramBeforeBank, "program {program} stands before any bank: it is left out",
     "ReadProgramLine (reabank_reading.cpp)", kProgramBeforeBank},
    {kProgramOutOfRange, "program {program} is outside 0-127: it is left out",
     "ReadProgramLine (reabank_reading.cpp)", kProgramOutOfRange},
    {kMoreLikeThis, "... and {count} more findings like this one", "Findings::InLineOrder",
     kMoreLikeThis},
};
static_assert(std::size(kFindingRows) == static_cast<std::size_t>(kCount));

std::size_t Index(FindingKind kind) {
  return static_cast<std::size_t>(kind);
}

}  // namespace

const FindingRow& RowOf(FindingKind kind) {
  return kFindingRows[Index(kind)];
}

std::string FindingText(const Finding& finding) {
  const std::string_view text = RowOf(finding.kind).text;
  std::string filled;
  std::size_t value = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t open = text.find('{', at);
    const std::size_t close = text.find('}', open);
    if (open == std::string_view::npos || close == std::string_view::npos) {
      filled.append(text.substr(at));
      break;
    }
    filled.append(text.substr(at, open - at));
    if (value < finding.values.size()) filled.append(finding.values[value++]);
    at = close + 1;
  }
  return filled;
}

void Findings::Add(FindingKind kind, std::size_t line, std::vector<std::string> values) {
  const std::size_t counted = Index(RowOf(kind).countedAs);
  if (++counts_[counted] > kShownPerKind) return;
  lastShownLine_[counted] = line;
  found_.push_back({kind, line, std::move(values)});
}

std::vector<Finding> Findings::InLineOrder() && {
  for (std::size_t kind = 0; kind < kKinds; ++kind) {
    if (counts_[kind] <= kShownPerKind) continue;
    found_.push_back(
        {kMoreLikeThis, lastShownLine_[kind], {std::to_string(counts_[kind] - kShownPerKind)}});
  }
  std::stable_sort(found_.begin(), found_.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  return std::move(found_);
}

#include "whole_file_check.h"

#include "instrument_catalog.h"
#include "instrument_definition.h"
#include "name_list.h"

namespace {

using enum FindingKind;

std::string Quoted(std::string_view text) {
  return std::string(1, '"').append(text).append(1, '"');
}

// A key that the whole-file reading takes as a program number: digits after an
// optional sign.
bool IsNumber(std::string_view key) {
  if (!key.empty() && (key.front() == '+' || key.front() == '-')) key.remove_prefix(1);
  return !key.empty() && key.front() >= '0' && key.front() <= '9';
}

// The first byte that XML 1.0 does not allow in an attribute value.
int ForbiddenControlByte(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') return byte;
  }
  return -1;
}

std::string Hex(int byte) {
  const char* digits = "0123456789ABCDEF";
  return std::string("0x") + digits[byte / 16] + digits[byte % 16];
}

}  // namespace

void WholeFileCheck::Read(whole_file::Text text, whole_file::Line line) {
  if (line == previousLine_ && !text.empty() && line != splitLine_) {
    splitLine_ = line;
    findings_.Add(kSplitLine, line);
  }
  previousLine_ = line;
}

void WholeFileCheck::Header(whole_file::Text name, whole_file::Line line) {
  deviceName_ = name;
  deviceLine_ = line;
}

void WholeFileCheck::Method(whole_file::Text value, whole_file::Line) {
  method_ = DecimalValue(value);
}

void WholeFileCheck::BankKey(whole_file::Text numberText, whole_file::Text listName,
                             whole_file::Line line) {
  banks_.push_back({DecimalValue(numberText), std::string(listName), line});
}

void WholeFileCheck::BeginPatchPass() {
  patchCounts_.assign(banks_.size(), 0);
  listHasHeader_.assign(banks_.size(), false);
  for (std::size_t bank = 0; bank < banks_.size(); ++bank) {
    firstBankOfList_.push_back(lists_.Add(banks_[bank].list, bank));
  }
}

bool WholeFileCheck::ListHeader(whole_file::Text name, whole_file::Line) {
  header_ = name;
  const std::size_t bank = lists_.Find(name);
  if (bank == NameIndex::kNone) return false;
  current_ = bank;
  listHasHeader_[bank] = true;
  return true;
}

void WholeFileCheck::PatchLine(whole_file::Text key, whole_file::Text value,
                               whole_file::Line line) {
  ++patchCounts_[current_];
  const std::string program = std::to_string(DecimalValue(key));
  const std::string_view name = value.substr(0, kPatchNameBytes);
  if (!IsNumber(key)) {
    findings_.Add(kStrayPatch, line,
                  {std::string(key), std::string(value), header_, program, std::string(name)});
  }
  if (const std::int32_t number = DecimalValue(key); number < 0 || number > 127) {
    findings_.Add(kProgramRange, line, {program});
  }
  if (value.size() > kPatchNameBytes) findings_.Add(kCutName, line, {std::string(name)});
  if (const int byte = ForbiddenControlByte(name); byte >= 0) {
    findings_.Add(kNameControlByte, line, {Hex(byte)});
  }
}

// A bank that stays empty or partial in the whole-file map: its list is
// missing, built in, named by an earlier bank, or built on another.
void WholeFileCheck::CheckBankList(std::size_t index, InstrumentCatalog& catalog) {
  const Bank& bank = banks_[index];
  const bool first = firstBankOfList_[index] == index;
  const std::string number = std::to_string(bank.number);
  const std::size_t inherited = catalog.PatchCount(bank.list);
  if (catalog.IsBuiltIn(bank.list) && (!first || patchCounts_[index] == 0)) {
    findings_.Add(kBuiltInList, bank.line, {number, bank.list, std::to_string(inherited)});
  } else if (!listHasHeader_[firstBankOfList_[index]]) {
    findings_.Add(kMissingList, bank.line, {number, bank.list});
  } else if (!first) {
    findings_.Add(kSharedList, bank.line, {number, bank.list});
  } else if (const std::string* base = catalog.BaseNameOf(bank.list)) {
    const std::size_t own = catalog.OwnProgramCount(bank.list);
    if (inherited > own) {
      findings_.Add(kInheritedList, bank.line,
                    {number, bank.list, *base, std::to_string(own), std::to_string(inherited)});
    }
  }
}

// A bank value that two 7-bit parts cannot hold.
void WholeFileCheck::CheckBankValue(const Bank& bank) {
  const std::int32_t value = MakeBankValue(method_, bank.number);
  if (value < 0 || value > 16383) {
    findings_.Add(kBankRange, bank.line,
                  {std::to_string(bank.number), std::to_string(method_), std::to_string(value)});
  }
}

void WholeFileCheck::CheckInstruments(const InstrumentCatalog& catalog) {
  NameList merged;
  for (const auto& instrument : catalog.instruments()) {
    if (!instrument.banks.empty()) merged.Add(Quoted(instrument.name));
  }
  if (merged.size() > 1) findings_.Add(kMerged, 0, {std::to_string(merged.size()), merged.Text()});
}

// The device name is the last header of the file, whatever it names.
void WholeFileCheck::CheckDeviceName(const InstrumentCatalog& catalog) {
  if (deviceLine_ == 0) {
    findings_.Add(kEmptyDeviceName, 0);
  } else if (catalog.FindInstrument(deviceName_) == nullptr) {
    findings_.Add(kDeviceNotInstrument, deviceLine_, {deviceName_});
  }
  if (const int byte = ForbiddenControlByte(deviceName_); byte >= 0) {
    findings_.Add(kDeviceControlByte, deviceLine_, {Hex(byte)});
  }
}

std::vector<Finding> WholeFileCheck::Findings(InstrumentCatalog& catalog) && {
  for (std::size_t bank = 0; bank < banks_.size(); ++bank) {
    CheckBankList(bank, catalog);
    CheckBankValue(banks_[bank]);
  }
  CheckInstruments(catalog);
  CheckDeviceName(catalog);
  return std::move(findings_).InLineOrder();
}

std::vector<Finding> WholeFileCheck::FindingsWithoutBank() && {
  findings_.Add(kNoBank, 0);
  return std::move(findings_).InLineOrder();
}

// The first failure to read ends the check: what was read is no file's whole.
LoadResult CheckWholeFileConversion(InstrumentSource& source, std::vector<Finding>& findings) {
  WholeFileCheck check;
  const LoadResult read = ReadWholeFile(source, check);
  if (read.failure == LoadFailure::kNoBank) {
    findings = std::move(check).FindingsWithoutBank();
    return {};
  }
  if (!read.Succeeded()) return read;
  InstrumentCatalog catalog;
  if (const LoadResult listed = ReadCatalog(catalog, source); !listed.Succeeded()) return listed;
  findings = std::move(check).Findings(catalog);
  return {};
}

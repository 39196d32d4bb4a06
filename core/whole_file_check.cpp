#include "whole_file_check.h"

#include <algorithm>
#include <array>

#include "instrument_catalog.h"
#include "instrument_definition.h"
#include "instrument_source.h"
#include "name_index.h"
#include "name_list.h"
#include "whole_file_reading.h"

namespace {

enum Kind {
  kNoBank,
  kMerged,
  kDeviceName,
  kMissingList,
  kSharedList,
  kBuiltInList,
  kInheritedList,
  kStrayPatch,
  kCutName,
  kSplitLine,
  kProgramRange,
  kBankRange,
  kControlByte,
  kKinds
};

constexpr std::size_t kShownPerKind = 10;

// Collects findings, at most kShownPerKind of each kind; the rest of a kind
// are counted in a note after the last one shown.
class Findings {
 public:
  void Add(Kind kind, std::size_t line, std::string text) {
    if (++counts_[kind] > kShownPerKind) return;
    lastShownLine_[kind] = line;
    found_.push_back({line, std::move(text)});
  }

  std::vector<Finding> InLineOrder() {
    for (std::size_t kind = 0; kind < kKinds; ++kind) {
      if (counts_[kind] <= kShownPerKind) continue;
      found_.push_back({lastShownLine_[kind], "... and " +
                                                  std::to_string(counts_[kind] - kShownPerKind) +
                                                  " more findings like this one"});
    }
    std::stable_sort(found_.begin(), found_.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return std::move(found_);
  }

 private:
  std::array<std::size_t, kKinds> counts_{};
  std::array<std::size_t, kKinds> lastShownLine_{};
  std::vector<Finding> found_;
};

std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.append(1, '"').append(text).append(1, '"');
  return quoted;
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

struct WholeFileBank {
  std::int32_t number = 0;
  std::string list;
  std::size_t line = 0;
};

// What the whole-file reading's first pass takes, with the lines it stands on,
// and the lines longer than one read.
class BankDefinitionRules {
 public:
  explicit BankDefinitionRules(Findings& findings) : findings_(findings) {}

  // A read that begins on the line of the read before it is the rest of a
  // line longer than one read.
  void Read(std::string_view text, std::size_t line) {
    if (line == previousLine_ && !text.empty() && line != splitLine_) {
      splitLine_ = line;
      findings_.Add(kSplitLine, line,
                    "this line is longer than one read of 299 bytes: the rest is read as a line "
                    "of its own");
    }
    previousLine_ = line;
  }
  void Header(std::string_view name, std::size_t line) {
    deviceName = name;
    deviceLine = line;
  }
  void Method(std::string_view value, std::size_t) { method = DecimalValue(value); }
  void BankKey(std::string_view numberText, std::string_view listName, std::size_t line) {
    banks.push_back({DecimalValue(numberText), std::string(listName), line});
  }

  std::vector<WholeFileBank> banks;
  std::string deviceName;
  std::size_t deviceLine = 0;
  std::int32_t method = 0;

 private:
  Findings& findings_;
  std::size_t previousLine_ = 0;
  std::size_t splitLine_ = 0;
};

// The patch lines that the whole-file reading's second pass gives each bank:
// how many, whether a header names its list, and what they become.
class PatchLineRules {
 public:
  PatchLineRules(const std::vector<WholeFileBank>& banks, Findings& findings)
      : patchCounts(banks.size()), findings_(findings), listHasHeader_(banks.size()) {
    for (std::size_t bank = 0; bank < banks.size(); ++bank) {
      firstBankOfList.push_back(lists_.Add(banks[bank].list, bank));
    }
  }

  bool ListHeader(std::string_view name, std::size_t) {
    header_ = name;
    const std::size_t bank = lists_.Find(name);
    if (bank == NameIndex::kNone) return false;
    current_ = bank;
    listHasHeader_[bank] = true;
    return true;
  }
  void PatchLine(std::string_view key, std::string_view value, std::size_t line) {
    ++patchCounts[current_];
    const std::int32_t program = DecimalValue(key);
    const std::string_view name = value.substr(0, kPatchNameBytes);
    if (!IsNumber(key)) {
      findings_.Add(kStrayPatch, line,
                    Quoted(std::string(key) + "=" + std::string(value)) + " under [" + header_ +
                        "] becomes a patch at program " + std::to_string(program) + " named " +
                        Quoted(name));
    }
    if (program < 0 || program > 127) {
      findings_.Add(
          kProgramRange, line,
          "program " + std::to_string(program) + " is outside 0-127, which MIDI can select");
    }
    if (value.size() > kPatchNameBytes) {
      findings_.Add(kCutName, line,
                    "the patch name is cut to its first 131 bytes: " + Quoted(name));
    }
    if (const int byte = ForbiddenControlByte(name); byte >= 0) {
      findings_.Add(kControlByte, line,
                    "the patch name holds the control byte " + Hex(byte) +
                        ", which makes the map not well-formed XML");
    }
  }

  // Whether a header names the bank's list.
  bool HasHeader(std::size_t bank) const { return listHasHeader_[firstBankOfList[bank]]; }

  std::vector<std::size_t> patchCounts;      // by bank: only the first of a list gets any
  std::vector<std::size_t> firstBankOfList;  // by bank

 private:
  Findings& findings_;
  NameIndex lists_;                  // the first bank of each list
  std::vector<bool> listHasHeader_;  // by first bank
  std::string header_;
  std::size_t current_ = 0;
};

// Banks that stay empty or partial in the whole-file map, and bank values that two
// 7-bit parts cannot hold.
void CheckBanks(const BankDefinitionRules& pass, const PatchLineRules& second,
                InstrumentCatalog& catalog, Findings& findings) {
  for (std::size_t i = 0; i < pass.banks.size(); ++i) {
    const WholeFileBank& bank = pass.banks[i];
    const std::string named =
        "bank " + std::to_string(bank.number) + " names the list " + Quoted(bank.list);
    const bool first = second.firstBankOfList[i] == i;
    const std::size_t inherited = catalog.PatchCount(bank.list);
    if (catalog.IsBuiltIn(bank.list) && (!first || second.patchCounts[i] == 0)) {
      findings.Add(kBuiltInList, bank.line,
                   named + ", which is built in: it stays empty here; --instrument numbers its " +
                       std::to_string(inherited) + " programs");
    } else if (!second.HasHeader(i)) {
      findings.Add(kMissingList, bank.line, named + ", which never appears: it stays empty");
    } else if (!first) {
      findings.Add(kSharedList, bank.line,
                   named + ", as an earlier bank does: only that one gets its patches");
    } else if (const std::string* base = catalog.BaseNameOf(bank.list)) {
      const std::size_t own = catalog.OwnProgramCount(bank.list);
      if (inherited > own) {
        findings.Add(kInheritedList, bank.line,
                     named + ", which is built on " + Quoted(*base) +
                         ": here it holds only its own lines, " + std::to_string(own) + " of the " +
                         std::to_string(inherited) +
                         " programs it has with what it inherits (see --instrument)");
      }
    }
    const std::int32_t value = MakeBankValue(pass.method, bank.number);
    if (value < 0 || value > 16383) {
      findings.Add(kBankRange, bank.line,
                   "bank " + std::to_string(bank.number) + " with BankSelMethod " +
                       std::to_string(pass.method) + " gives the bank value " +
                       std::to_string(value) +
                       ", outside 0-16383, which two 7-bit parts cannot hold");
    }
  }
}

void CheckInstruments(const BankDefinitionRules& pass, const InstrumentCatalog& catalog,
                      Findings& findings) {
  NameList merged;
  for (const auto& instrument : catalog.instruments()) {
    if (!instrument.banks.empty()) merged.Add(Quoted(instrument.name));
  }
  if (merged.size() > 1) {
    findings.Add(kMerged, 0,
                 std::to_string(merged.size()) + " instruments are merged into one map: " +
                     merged.Text() + "; convert one of them with --instrument NAME");
  }
  if (pass.deviceLine == 0) {
    findings.Add(kDeviceName, 0, "the map's device name is empty: the file has no header");
  } else if (catalog.FindInstrument(pass.deviceName) == nullptr) {
    findings.Add(kDeviceName, pass.deviceLine,
                 "the map's device name " + Quoted(pass.deviceName) +
                     " comes from this header, the last of the file, which names no instrument");
  }
  if (const int byte = ForbiddenControlByte(pass.deviceName); byte >= 0) {
    findings.Add(kControlByte, pass.deviceLine,
                 "the device name holds the control byte " + Hex(byte) +
                     ", which makes the map not well-formed XML");
  }
}

}  // namespace

// The first failure to read ends the check: what was read is no file's whole.
CheckResult CheckWholeFileConversion(InstrumentSource& source) {
  Findings findings;
  LineReader firstLines = source.Pass();
  BankDefinitionRules pass(findings);
  ReadBankDefinitionLines(firstLines, pass);
  if (source.error().Failed()) return {{}, {LoadFailure::kCannotRead, source.error()}};
  if (pass.banks.empty()) {
    findings.Add(kNoBank, 0,
                 "there is no bank key (Patch[n]=LIST) at all: the file is not converted");
    return {findings.InLineOrder(), {}};
  }
  LineReader secondLines = source.Pass();
  PatchLineRules second(pass.banks, findings);
  ReadPatchLines(secondLines, second);
  InstrumentCatalog catalog;
  if (const LoadResult read = ReadCatalog(catalog, source); !read.Succeeded()) return {{}, read};
  CheckBanks(pass, second, catalog, findings);
  CheckInstruments(pass, catalog, findings);
  return {findings.InLineOrder(), {}};
}

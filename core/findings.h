// What the check says of a file, as findings: each kind of finding is one row
// of kFindingRows (findings.cpp), with its whole text and the rule of the
// check that raises it, so that grepping any printed finding lands on its row
// and the row names its rule. A finding carries its kind and its values; a
// front end words it from the row, or from a table of its own.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// In this order the counts of those not shown follow one another on a line.
enum class FindingKind : unsigned char {
  kNoBank,
  kMerged,
  kEmptyDeviceName,
  kDeviceNotInstrument,
  kMissingList,
  kSharedList,
  kBuiltInList,
  kInheritedList,
  kStrayPatch,
  kCutName,
  kSplitLine,
  kProgramRange,
  kBankRange,
  kNameControlByte,
  kDeviceControlByte,
  // Of MIDNAM documents and REAPER bank files.
  kListNotFound,
  kBankSelectedOtherwise,
  kBankValue,
  kNoProgram,
  kSamePatchPlace,
  kNotInWindows1252,
  kBadBankLine,
  kProgramBeforeBank,
  kProgramOutOfRange,
  kMoreLikeThis,  // the count of those of a kind not shown
  kCount
};

struct Finding {
  FindingKind kind;
  std::size_t line;                 // the source's line, counted from 1; 0 for the whole file
  std::vector<std::string> values;  // in the order of the row's placeholders
};

struct FindingRow {
  FindingKind kind;
  // The text, with a {placeholder} for each value.
  std::string_view text;
  // The function of whole_file_check.cpp that raises it.
  std::string_view rule;
  // The kind whose findings it is counted with, for the ten shown of a kind.
  FindingKind countedAs;
};

const FindingRow& RowOf(FindingKind kind);

// The row's text with the finding's values in its placeholders.
std::string FindingText(const Finding& finding);

// Collects findings, at most kShownPerKind of each kind; the rest of a kind
// are counted in a kMoreLikeThis finding after the last one shown.
class Findings {
 public:
  static constexpr std::size_t kShownPerKind = 10;

  void Add(FindingKind kind, std::size_t line, std::vector<std::string> values = {});
  std::vector<Finding> InLineOrder() &&;

 private:
  static constexpr auto kKinds = static_cast<std::size_t>(FindingKind::kCount);
  std::array<std::size_t, kKinds> counts_{};
  std::array<std::size_t, kKinds> lastShownLine_{};
  std::vector<Finding> found_;
};

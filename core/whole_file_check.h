// What the whole-file conversion (that of the Windows program) will make of an
// instrument definition, told as findings (findings.h): merged instruments,
// empty or partial banks, stray patches, cut names and lines, numbers the map
// cannot hold, bytes that break the XML. patchconv --check prints them.
//
// The check is a listener of the whole-file reading, beside the conversion
// where both run together, and then asks the instrument reading of the same
// file what the banks' lists hold. On its own (CheckWholeFileConversion) it
// reads the file three times: the two passes of the whole-file reading and
// the one of the instrument reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "findings.h"
#include "instrument_source.h"
#include "load_result.h"
#include "name_index.h"
#include "whole_file_reading.h"

class InstrumentCatalog;

class WholeFileCheck : public WholeFileListenerBase {
 public:
  // The bank pass: a read that begins on the line of the read before it is
  // the rest of a line longer than one read.
  void Read(whole_file::Text text, whole_file::Line line);
  void Header(whole_file::Text name, whole_file::Line line);
  void Method(whole_file::Text value, whole_file::Line line);
  void BankKey(whole_file::Text numberText, whole_file::Text listName, whole_file::Line line);

  // The patch pass: the lines each bank gets, how many, whether a header
  // names its list, and what they become.
  void BeginPatchPass();
  bool ListHeader(whole_file::Text name, whole_file::Line line);
  void PatchLine(whole_file::Text key, whole_file::Text value, whole_file::Line line);

  // The findings in line order, with what the instrument reading of the same
  // file knows of its lists and instruments.
  std::vector<Finding> Findings(InstrumentCatalog& catalog) &&;
  // Those of a file without a bank key, of which only the bank pass is read.
  std::vector<Finding> FindingsWithoutBank() &&;

 private:
  // A bank key as the whole-file reading takes it, with its line.
  struct Bank {
    std::int32_t number = 0;
    std::string list;
    std::size_t line = 0;
  };

  void CheckBankList(std::size_t bank, InstrumentCatalog& catalog);
  void CheckBankValue(const Bank& bank);
  void CheckInstruments(const InstrumentCatalog& catalog);
  void CheckDeviceName(const InstrumentCatalog& catalog);

  ::Findings findings_;
  // Of the bank pass.
  std::vector<Bank> banks_;
  std::string deviceName_;
  std::size_t deviceLine_ = 0;
  std::int32_t method_ = 0;
  std::size_t previousLine_ = 0;
  std::size_t splitLine_ = 0;
  // Of the patch pass, by bank: only the first bank of a list gets any.
  std::vector<std::size_t> patchCounts_;
  std::vector<std::size_t> firstBankOfList_;
  std::vector<bool> listHasHeader_;  // by first bank
  NameIndex lists_;                  // the first bank of each list
  std::string header_;
  std::size_t current_ = 0;
};

// Reads the source, pass after pass, and says what the whole-file conversion
// will make of it; kCannotRead when it could not be read to its end.
LoadResult CheckWholeFileConversion(InstrumentSource& source, std::vector<Finding>& findings);

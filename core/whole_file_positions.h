// The whole-file conversion from where its lines stand, not from patches
// held in memory: the bank pass learns the banks, the method and where every
// header stands; each bank then gets the byte ranges under the headers of its
// list (a list's lines feed only the first bank that names it), and the map
// is written by reading those ranges again. Memory follows the number of
// headers and banks, never the patches: a 100 MB file of five million
// patches needs a few megabytes. The bytes written are those of the map the
// Windows program makes from its nodes (InstrumentDefinition), line for line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "instrument_source.h"
#include "load_result.h"
#include "patch_map_file.h"
#include "whole_file_reading.h"

class WholeFilePositions : public WholeFileListenerBase {
 public:
  void HeaderAt(Text name, std::uint64_t begin, std::uint64_t next);
  void Method(Text value, Line);
  void BankKey(Text numberText, Text listName, Line);

  // Gives each bank the ranges of its list, the pass having ended at `end`.
  void EndBankPass(std::uint64_t end);

  struct Range {
    std::uint64_t begin, end;
  };
  // A bank's list name and ranges stand in arrays of their own: a file may
  // have hundreds of thousands of banks, each no more than a few numbers.
  struct Bank {
    std::int32_t number;
    std::uint16_t nameLength;  // at most 299
    std::size_t name;          // its offset in the bank names
    std::size_t
        rangesEnd;  // its ranges end there in ranges(); they begin where the last bank's end
  };
  const std::vector<Bank>& banks() const { return banks_; }
  // The list that the bank's key names.
  std::string_view listName(const Bank& bank) const {
    return std::string_view(bankNames_).substr(bank.name, bank.nameLength);
  }
  // The ranges of every bank, bank after bank, each bank's in file order.
  const std::vector<Range>& ranges() const { return ranges_; }
  std::string_view deviceName() const;
  std::int32_t method() const { return method_; }

 private:
  struct HeaderPlace {
    std::size_t name;  // its offset in headerNames_
    std::size_t length;
    std::uint64_t begin, next;
  };
  // Which bank the lines under a header feed, or NameIndex::kNone.
  std::vector<std::size_t> BankOfEachHeader() const;

  std::string headerNames_;  // the headers' names, one after another
  std::vector<HeaderPlace> headers_;
  std::string bankNames_;  // the banks' list names, one after another
  std::vector<Bank> banks_;
  std::vector<Range> ranges_;
  std::int32_t method_ = 0;
};

// Reads the bank pass of the source into `positions`; kNoBank for a file
// without a bank key.
inline LoadResult ReadWholeFilePositions(InstrumentSource& source, WholeFilePositions& positions) {
  return ReadBankPass(source, positions);
}

// The whole-file map, its patches read again from the source as it is written.
class PositionedMap final : public PatchMapSource {
 public:
  PositionedMap(const WholeFilePositions& positions, InstrumentSource& source)
      : positions_(positions), source_(source) {}
  using PatchMapSource::WriteTo;
  SystemError WriteTo(ByteSink& sink, PatchObserver* observer) override;

 private:
  const WholeFilePositions& positions_;
  InstrumentSource& source_;
};

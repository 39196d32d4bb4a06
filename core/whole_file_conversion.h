// The whole-file conversion, as the Windows program makes it: a listener of
// the whole-file reading that fills an InstrumentDefinition. The bank pass
// gives the device name, the method and the banks; the patch pass hangs each
// patch line on the first bank that names its list.
#pragma once

#include <vector>

#include "file_system.h"
#include "instrument_definition.h"
#include "instrument_source.h"
#include "load_result.h"
#include "name_index.h"
#include "whole_file_reading.h"

class WholeFileConversion : public WholeFileListenerBase {
 public:
  explicit WholeFileConversion(InstrumentDefinition& instrument) : instrument_(instrument) {}

  void Header(whole_file::Text name, whole_file::Line) {
    CopyToField(instrument_.deviceName, name);
  }
  void Method(whole_file::Text value, whole_file::Line) {
    instrument_.bankSelMethod = DecimalValue(value);
  }
  void BankKey(whole_file::Text numberText, whole_file::Text listName, whole_file::Line) {
    lastBank_ = instrument_.AppendBank(lastBank_, DecimalValue(numberText), listName);
  }
  // Only the first bank of a list gets its patches.
  void BeginPatchPass();
  bool ListHeader(whole_file::Text name, whole_file::Line) {
    const std::size_t found = lists_.Find(name);
    current_ = found != NameIndex::kNone ? &receiving_[found] : nullptr;
    return current_ != nullptr;
  }
  void PatchLine(whole_file::Text key, whole_file::Text name, whole_file::Line) {
    current_->tail =
        instrument_.AppendPatch(*current_->bank, current_->tail, DecimalValue(key), name);
  }

 private:
  // A bank that gets patches, and the last patch it holds so far.
  struct Receiving {
    PatchBank* bank;
    PatchEntry* tail;
  };

  InstrumentDefinition& instrument_;
  PatchBank* lastBank_ = nullptr;
  NameIndex lists_;  // the first bank of each list
  std::vector<Receiving> receiving_;
  Receiving* current_ = nullptr;
};

// Reads the whole-file conversion of the source into a fresh instrument.
LoadResult ReadWholeFileInto(InstrumentDefinition& instrument, InstrumentSource& source);

// Opens the file at `path` and reads it into a fresh instrument.
LoadResult ReadInstrumentFile(InstrumentDefinition& instrument, const NativePath& path,
                              FileSystem& fileSystem);

#include "whole_file_conversion.h"

void WholeFileConversion::BeginPatchPass() {
  for (PatchBank* bank = instrument_.banks; bank != nullptr; bank = bank->next) {
    if (lists_.Add(bank->patchListName, receiving_.size()) == receiving_.size()) {
      receiving_.push_back({bank, nullptr});
    }
  }
}

LoadResult ReadWholeFileInto(InstrumentDefinition& instrument, InstrumentSource& source) {
  WholeFileConversion conversion(instrument);
  return ReadWholeFile(source, conversion);
}

LoadResult ReadInstrumentFile(InstrumentDefinition& instrument, const NativePath& path,
                              FileSystem& fileSystem) {
  InstrumentSource source(fileSystem);
  if (const LoadResult opened = source.Open(path); !opened.Succeeded()) return opened;
  return ReadWholeFileInto(instrument, source);
}

#include "instrument_definition.h"

#include "instrument_file.h"
#include "text_lines.h"

int InstrumentDefinition::LoadInstrumentFile(const NativePath& path) {
  FileSystem fileSystem;
  return ReadInstrumentFile(*this, path, fileSystem).Succeeded() ? 0 : -1;
}

int InstrumentDefinition::LoadInstrumentText(std::string_view bytes) {
  const std::string_view text = TextBeforeEndOfFileMark(bytes);
  LineReader firstPass(text);
  ReadBankDefinitions(firstPass);
  if (banks == nullptr) return -1;
  LineReader secondPass(text);
  ReadPatchNames(secondPass);
  return 0;
}

// The nodes' memory belongs to the pools, which free it all at once.
void InstrumentDefinition::Clear() {
  banks = nullptr;
  patchNodes_.ReleaseAll();
  bankNodes_.ReleaseAll();
}

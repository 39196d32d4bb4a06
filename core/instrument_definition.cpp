#include "instrument_definition.h"

#include <cstring>

#include "instrument_source.h"
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

void TrimWhitespace(char* text) {
  std::string_view trimmed = TrimmedView(text);
  std::memmove(text, trimmed.data(), trimmed.size());
  text[trimmed.size()] = '\0';
}

// The nodes' memory belongs to the pools, which free it all at once.
void InstrumentDefinition::Clear() {
  banks = nullptr;
  patchNodes_.ReleaseAll();
  bankNodes_.ReleaseAll();
}

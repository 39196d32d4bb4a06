#include "instrument_definition.h"

#include <cstring>

#include "text_lines.h"
#include "whole_file_conversion.h"

int InstrumentDefinition::LoadInstrumentFile(const NativePath& path) {
  FileSystem fileSystem;
  return ReadInstrumentFile(*this, path, fileSystem).Succeeded() ? 0 : -1;
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

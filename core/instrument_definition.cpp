#include "instrument_definition.h"

#include <string>

#include "read_file.h"
#include "text_lines.h"

int InstrumentDefinition::LoadInstrumentFile(const std::filesystem::path& path) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return -1;
  return LoadInstrumentText(bytes);
}

int InstrumentDefinition::LoadInstrumentText(std::string_view bytes) {
  std::string_view text = TextBeforeEndOfFileMark(bytes);
  ReadBankDefinitions(text);
  if (banks == nullptr) return -1;
  ReadPatchNames(text);
  return 0;
}

void InstrumentDefinition::Clear() {
  while (banks != nullptr) {
    PatchBank* bank = banks;
    banks = bank->next;
    while (bank->patches != nullptr) {
      PatchEntry* patch = bank->patches;
      bank->patches = patch->next;
      delete patch;
    }
    delete bank;
  }
}

// The two passes that read an instrument definition's text. Section markers
// (lines beginning with ".") carry no state: headers and keys count wherever
// they stand.
#include "definition_syntax.h"
#include "instrument_definition.h"
#include "patch_list_index.h"

namespace {

// Pass 1 looks only at the keys BankSelMethod and Patch[n]. The line is
// trimmed, so its key begins with its first byte; most lines of a file are
// patch lines and are passed over without being cut at their "=".
bool MayHoldBankKeyOrMethod(std::string_view line) {
  const char first = static_cast<char>(line.front() | 0x20);  // ASCII lower case
  return first == 'b' || first == 'p';
}

PatchBank* LastBank(PatchBank* banks) {
  while (banks != nullptr && banks->next != nullptr) banks = banks->next;
  return banks;
}

}  // namespace

void InstrumentDefinition::ReadBankDefinitions(LineReader& lines) {
  PatchBank* tail = LastBank(banks);
  std::string_view line;
  while (lines.Next(line)) {
    if (IsIgnorable(line) || IsSectionMarker(line)) continue;
    if (IsHeader(line)) {
      CopyToField(deviceName, HeaderText(line));
      continue;
    }
    std::string_view key, value, numberText;
    if (!MayHoldBankKeyOrMethod(line) || !SplitKeyValue(line, key, value)) continue;
    if (EqualsIgnoringCase(key, "BankSelMethod")) {
      bankSelMethod = DecimalValue(value);
    } else if (BankKeyNumberText(key, numberText)) {
      tail = AppendBank(tail, DecimalValue(numberText), value);
    }
  }
}

void InstrumentDefinition::ReadPatchNames(LineReader& lines) {
  PatchListIndex index(banks);
  PatchListIndex::Slot* current = nullptr;
  std::string_view line;
  while (lines.Next(line)) {
    if (IsIgnorable(line) || IsSectionMarker(line)) continue;
    if (IsHeader(line)) {
      current = index.Find(HeaderText(line));
      continue;
    }
    std::string_view key, value;
    if (current == nullptr || !SplitKeyValue(line, key, value)) continue;
    current->tail = AppendPatch(*current->bank, current->tail, DecimalValue(key), value);
  }
}

// The in-memory form of one MIDI instrument definition (.ins) file: the device
// name, the bank-select method and the banks with their patches. The
// whole-file conversion (whole_file_conversion.cpp) fills it; the writer
// (patch_map_writer.cpp) turns it into a patch map (.vpm). Status results
// are 0 for success and -1 for failure.
#pragma once

#include <cstdint>
#include <string_view>

#include "native_path.h"
#include "node_pool.h"
#include "text_lines.h"

// The longest patch name kept; longer names are cut.
inline constexpr std::size_t kPatchNameBytes = 131;

// One patch line of a patch list: "program=name".
struct PatchEntry {
  PatchEntry* next = nullptr;
  PatchEntry* prev = nullptr;
  std::int32_t program = 0;
  std::int32_t family = 0;              // program / 8, truncated toward zero
  char name[kPatchNameBytes + 1] = {};  // and a terminating zero
};

// One bank, declared by a "Patch[n]=list" key; it owns its patches.
struct PatchBank {
  PatchBank* next = nullptr;
  PatchBank* prev = nullptr;
  char patchListName[300] = {};
  std::int32_t bankNumber = 0;
  PatchEntry* patches = nullptr;
};

class InstrumentDefinition {
 public:
  PatchBank* banks = nullptr;  // in the order of their Patch[n] keys
  char deviceName[300] = {};   // the last bracketed header of the file
  std::int32_t bankSelMethod = 0;

  InstrumentDefinition() = default;
  ~InstrumentDefinition() { Clear(); }
  InstrumentDefinition(const InstrumentDefinition&) = delete;
  InstrumentDefinition& operator=(const InstrumentDefinition&) = delete;

  // Reads the file at `path`. -1 when it cannot be opened or read to its end,
  // or when it declares no bank; 0 otherwise. Expects a fresh instance.
  // (ReadInstrumentFile in whole_file_conversion.h says why it failed.)
  int LoadInstrumentFile(const NativePath& path);

  // Frees every bank and patch; keeps deviceName and bankSelMethod.
  void Clear();

  // Writes the patch map to `path` (see WritePatchMapFile in
  // patch_map_file.h): 0 on success, -1 on any failure.
  int WritePatchMap(const NativePath& path) const;

  // A new, empty node made from this instrument's own memory; it lives until
  // Clear. Throws std::bad_alloc when memory runs out.
  PatchBank* NewBank() { return new (bankNodes_.Allocate()) PatchBank; }
  PatchEntry* NewPatch() { return new (patchNodes_.Allocate()) PatchEntry; }

  // Adds a bank after `tail` (as the first when `tail` is null) and returns it.
  PatchBank* AppendBank(PatchBank* tail, std::int32_t number, std::string_view listName);
  // Adds a patch to `bank` after `tail` (as its first when `tail` is null) and
  // returns it; a name longer than the field is cut.
  PatchEntry* AppendPatch(PatchBank& bank, PatchEntry* tail, std::int32_t program,
                          std::string_view name);

 private:
  NodePool bankNodes_{sizeof(PatchBank)};
  NodePool patchNodes_{sizeof(PatchEntry)};
};

// Inline: the reader appends every patch line of a file.
inline PatchBank* InstrumentDefinition::AppendBank(PatchBank* tail, std::int32_t number,
                                                   std::string_view listName) {
  PatchBank* bank = NewBank();
  bank->bankNumber = number;
  CopyToField(bank->patchListName, listName);
  bank->prev = tail;
  (tail != nullptr ? tail->next : banks) = bank;
  return bank;
}

inline PatchEntry* InstrumentDefinition::AppendPatch(PatchBank& bank, PatchEntry* tail,
                                                     std::int32_t program, std::string_view name) {
  PatchEntry* patch = NewPatch();
  patch->program = program;
  patch->family = program / 8;
  CopyToField(patch->name, name);
  patch->prev = tail;
  (tail != nullptr ? tail->next : bank.patches) = patch;
  return patch;
}

// Drops leading and trailing whitespace of a zero-terminated text in place.
void TrimWhitespace(char* text);

// The bank value before it is split into its two 7-bit parts.
std::int32_t MakeBankValue(std::int32_t bankSelMethod, std::int32_t bankNumber);

// The in-memory form of one MIDI instrument definition (.ins) file: the device
// name, the bank-select method and the banks with their patches. The reader
// (instrument_reader.cpp) fills it; the writer (patch_map_writer.cpp) turns it
// into a patch map (.vpm). Status results are 0 for success and -1 for failure.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

class ByteSink;

// One patch line of a patch list: "program=name".
struct PatchEntry {
  PatchEntry* next = nullptr;
  PatchEntry* prev = nullptr;
  std::int32_t program = 0;
  std::int32_t family = 0;  // program / 8, truncated toward zero
  char name[132] = {};      // at most 131 bytes and a terminating zero

  // Each node is made and freed on its own; the bytes come from a pool.
  static void* operator new(std::size_t size);
  static void operator delete(void* node) noexcept;
};

// One bank, declared by a "Patch[n]=list" key; it owns its patches.
struct PatchBank {
  PatchBank* next = nullptr;
  PatchBank* prev = nullptr;
  char patchListName[300] = {};
  std::int32_t bankNumber = 0;
  PatchEntry* patches = nullptr;

  static void* operator new(std::size_t size);
  static void operator delete(void* node) noexcept;
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
  int LoadInstrumentFile(const std::filesystem::path& path);

  // The same over the file's bytes already in memory (raw, not translated).
  int LoadInstrumentText(std::string_view bytes);

  // Frees every bank and patch; keeps deviceName and bankSelMethod.
  void Clear();

  // Writes the patch map to `path` so that either the whole new file or the
  // old one is there afterwards. -1 on any failure to create, write, flush,
  // close or put it in place; 0 on success.
  int WritePatchMap(const std::filesystem::path& path) const;

  // Writes the patch map's bytes to `sink`: -1 as soon as the sink refuses.
  int WritePatchMap(ByteSink& sink) const;

  // The two reading passes over the text, which must already end at the
  // first 0x1A. Pass 1 collects device name, method and banks; pass 2
  // attaches the patches of each bank's patch list.
  void ReadBankDefinitions(std::string_view text);
  void ReadPatchNames(std::string_view text);
};

// Drops leading and trailing whitespace of a zero-terminated text in place.
void TrimWhitespace(char* text);

// The bank value before it is split into its two 7-bit parts.
std::int32_t MakeBankValue(std::int32_t bankSelMethod, std::int32_t bankNumber);

#include "instrument_definition.h"

#include <string>

#include "node_pool.h"
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

// Under AddressSanitizer every node comes from the general heap, so that an
// overrun or a use after free of a single node is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define PATCHCONV_NODES_FROM_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PATCHCONV_NODES_FROM_HEAP 1
#endif
#endif

#ifdef PATCHCONV_NODES_FROM_HEAP
void* PatchEntry::operator new(std::size_t size) {
  return ::operator new(size);
}
void PatchEntry::operator delete(void* node) noexcept {
  ::operator delete(node);
}
void* PatchBank::operator new(std::size_t size) {
  return ::operator new(size);
}
void PatchBank::operator delete(void* node) noexcept {
  ::operator delete(node);
}
#else
void* PatchEntry::operator new(std::size_t) {
  return PatchNodePool().Allocate();
}
void PatchEntry::operator delete(void* node) noexcept {
  PatchNodePool().Release(node);
}
void* PatchBank::operator new(std::size_t) {
  return BankNodePool().Allocate();
}
void PatchBank::operator delete(void* node) noexcept {
  BankNodePool().Release(node);
}
#endif

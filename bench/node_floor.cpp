// The floor that the data model sets: making, linking and freeing COUNT patch
// nodes of an instrument, as a load and a Clear do. scripts/bench
// runs it in a fresh process with the patch count of each file, so that the
// cost of the memory itself (its first touch included) can be told apart
// from the conversion's own work.
//
//   patchconv-node-floor COUNT     prints the seconds taken
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "instrument_definition.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: patchconv-node-floor COUNT\n", stderr);
    return 2;
  }
  const unsigned long long count = std::strtoull(argv[1], nullptr, 10);
  const auto start = std::chrono::steady_clock::now();
  {
    InstrumentDefinition instrument;
    instrument.banks = instrument.NewBank();
    PatchEntry* tail = nullptr;
    for (unsigned long long i = 0; i < count; ++i) {
      PatchEntry* patch = instrument.NewPatch();
      std::memcpy(patch->name, "Acoustic Grand Piano", 21);
      patch->prev = tail;
      (tail != nullptr ? tail->next : instrument.banks->patches) = patch;
      tail = patch;
    }
  }  // Clear frees every node
  const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
  std::printf("%.6f\n", taken.count());
  return 0;
}

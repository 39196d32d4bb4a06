// Writes a large or adversarial instrument definition file for the benchmarks:
//
//   patchconv-generate SHAPE AMOUNT OUTPUT
//
// See instrument_shapes.h for the shapes.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "instrument_shapes.h"

int main(int argc, char** argv) {
  char* end = nullptr;
  const std::uint64_t amount = argc == 4 ? std::strtoull(argv[2], &end, 10) : 0;
  if (argc != 4 || end == argv[2] || *end != '\0') {
    std::fputs(
        "usage: patchconv-generate SHAPE AMOUNT OUTPUT\n"
        "  SHAPE: realistic BYTES | distinct-banks COUNT | one-list COUNT |\n"
        "         long-lines BYTES | all-cr BYTES | instruments BYTES |\n"
        "         instrument-banks COUNT | based-on-chain COUNT |\n"
        "         chain-one-program COUNT | chain-growing COUNT | colliding-names COUNT\n",
        stderr);
    return 2;
  }
  std::FILE* file = std::fopen(argv[3], "wb");
  if (file == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  bool written = true;
  bool known = GenerateInstrumentFile(argv[1], amount, [&](std::string_view chunk) {
    written = written && std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
  });
  if (std::fclose(file) != 0 || !written) {
    std::perror(argv[3]);
    return 1;
  }
  if (!known) {
    std::fprintf(stderr, "patchconv-generate: unknown shape %s\n", argv[1]);
    std::remove(argv[3]);
    return 2;
  }
  return 0;
}
